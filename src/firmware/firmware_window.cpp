#include "firmware/firmware_window.h"

namespace orv {

FirmwareWindow::FirmwareWindow() : ui::Window("Firmware Update") {
    lblFile.set_caption("HEX file");
    lblFile.set_accessible_name("HEX file");
    Text1.set_accessible_name("HEX file");
    Text1.set_read_only(true);
    Command1.set_caption("Browse..");
    Command1.set_accessible_name("Browse..");
    List1.set_accessible_name("File lines");
    lblReply.set_caption("Boot loader reply");
    lblReply.set_accessible_name("Boot loader reply");
    Text2.set_accessible_name("Boot loader reply");
    Text2.set_read_only(true);
    Bar1.set_accessible_name("Progress");
    Label4.set_accessible_name("Status");
    Label4.set_description("What the update is doing");
    Command2.set_caption("BOOT UP");
    Command2.set_accessible_name("BOOT UP");
    Command3.set_caption("PROGRAM");
    Command3.set_accessible_name("PROGRAM");
    Command4.set_caption("EXIT");
    Command4.set_accessible_name("EXIT");
    // The status line reads out what it says.
    Label4.updated.connect([this] { Label4.set_accessible_name(Label4.caption().empty() ? "Status" : Label4.caption()); });
    Command4.clicked.connect([this] { close(); });
    closed.connect([this] { reset(); });
    reset();
}

void FirmwareWindow::reset() {
    Text1.set_text(kFileBoxText);
    Command1.set_enabled(true);
    List1.clear_items();
    Text2.set_text("");
    Bar1.set_range(0, 28671);
    Bar1.set_value(0);
    Label4.set_caption("");
    Command2.set_enabled(false);
    Command3.set_enabled(false);
    Command4.set_enabled(true);
    checksum = 0;
}

}  // namespace orv
