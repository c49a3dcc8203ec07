#include "ui/command_lock.h"

namespace orv {

void CommandLock::lock() {
    if (locked_) return;
    locked_ = true;
    main_.commands_locked = true;  // saved_ is empty: unlock() emptied it
    for (auto* b : {&main_.slew_up,          &main_.slew_right,       &main_.slew_down,
                    &main_.slew_left,        &main_.slew_stop,        &main_.focus_up,
                    &main_.focus_down,       &main_.read_channel,     &main_.write_channel,
                    &main_.write_to_remote,  &main_.read_settings,    &main_.write_settings,
                    &main_.firmware_upload,  &main_.shutter_on,       &main_.shutter_off,
                    &main_.auto_shutter,     &main_.send_button,      &main_.set_setpoint[0],
                    &main_.goto_setpoint[0], &main_.goto_setpoint[1], &main_.set_setpoint[1]}) {
        saved_.emplace_back(b, b->enabled());
        b->set_enabled(false);
    }
}

void CommandLock::unlock() {
    if (!locked_) return;
    locked_ = false;
    main_.commands_locked = false;
    const bool linked = link_up(main_.state.link);
    for (auto [button, was] : saved_)
        if (linked || button == &main_.send_button) button->set_enabled(was);
    saved_.clear();
    // The channel box may have been edited meanwhile.
    if (linked) main_.channel_box_rule();
}

}  // namespace orv
