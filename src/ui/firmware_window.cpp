#include "ui/firmware_window.h"

namespace orv {

FirmwareWindow::FirmwareWindow() : ui::Window("Firmware Update") {
    file_label.set_caption("HEX file");
    file_label.set_accessible_name("HEX file");
    file_box.set_accessible_name("HEX file");
    file_box.set_read_only(true);
    browse.set_caption("Browse..");
    browse.set_accessible_name("Browse..");
    file_lines.set_accessible_name("File lines");
    reply_label.set_caption("Boot loader reply");
    reply_label.set_accessible_name("Boot loader reply");
    reply_box.set_accessible_name("Boot loader reply");
    reply_box.set_read_only(true);
    progress.set_accessible_name("Progress");
    status_line.set_accessible_name("Status");
    status_line.set_description("What the update is doing");
    boot_up.set_caption("BOOT UP");
    boot_up.set_accessible_name("BOOT UP");
    program_button.set_caption("PROGRAM");
    program_button.set_accessible_name("PROGRAM");
    exit_button.set_caption("EXIT");
    exit_button.set_accessible_name("EXIT");
    // The status line reads out what it says.
    status_line.updated.connect([this] {
        status_line.set_accessible_name(status_line.caption().empty() ? "Status"
                                                                      : status_line.caption());
    });
    exit_button.clicked.connect([this] { close(); });
    closed.connect([this] { reset(); });
    reset();
}

void FirmwareWindow::reset() {
    file_box.set_text(kFileBoxText);
    browse.set_enabled(true);
    file_lines.clear_items();
    reply_box.set_text("");
    progress.set_range(0, 28671);
    progress.set_value(0);
    status_line.set_caption("");
    boot_up.set_enabled(false);
    program_button.set_enabled(false);
    exit_button.set_enabled(true);
    confirmed = false;
    checksum = 0;
    file_text.clear();
}

}  // namespace orv
