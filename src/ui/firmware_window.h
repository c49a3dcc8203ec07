#pragma once
// The firmware update window, "Firmware Update": it exists while it is open, and every opening
// starts from the same controls.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "ui/main_state.h"

namespace orv {

inline constexpr const char* kFileBoxText = "Load *.hex file";

class FirmwareWindow : public ui::Window {
public:
    FirmwareWindow();

    // Puts every control back as it is when the window opens.
    void reset();
    // The window system's close control: like EXIT, and like EXIT not while programming.
    void close_control() {
        if (exit_button.enabled()) close();
    }

    ui::Label file_label{"lblFile"};
    ui::TextBox file_box{"Text1"};  // the loaded file's path
    ui::Button browse{"Command1"};
    ui::ListBox file_lines{"List1"};  // the loaded file's lines
    ui::Label reply_label{"lblReply"};
    ui::TextBox reply_box{"Text2"};  // the boot loader's replies
    ui::ProgressBar progress{"Bar1"};
    ui::Label status_line{"Label4"};
    ui::Button boot_up{"Command2"};
    ui::Button program_button{"Command3"};
    ui::Button exit_button{"Command4"};

    // Every control, for checks that walk the whole window.
    std::vector<ui::Control*> all_controls() {
        return {&file_label, &file_box,    &browse,  &file_lines,     &reply_label, &reply_box,
                &progress,   &status_line, &boot_up, &program_button, &exit_button};
    }

    // BOOT UP is offered for the file whose code was confirmed, while a link to the box is open
    // (identified, or already in its boot loader).
    void offer_boot_up(LinkState link) {
        boot_up.set_enabled(confirmed &&
                            (link == LinkState::Identified || link == LinkState::BootLoader));
    }

    bool confirmed = false;  // the loaded file's code was entered correctly
    std::int64_t checksum = 0;
    std::string file_text;  // as its code was confirmed: PROGRAM refuses the file if it changed
};

}  // namespace orv
