#include "shell/command_lock.h"

namespace orv {

void CommandLock::lock() {
    if (locked_) return;
    locked_ = true;
    saved_.clear();
    for (auto* b : {&main_.Command1, &main_.Command2, &main_.Command3, &main_.Command4,
                    &main_.Command5, &main_.Command6, &main_.Command7, &main_.Command9,
                    &main_.Command10, &main_.Command11, &main_.Command13, &main_.Command14,
                    &main_.Command15, &main_.Command16, &main_.Command17, &main_.Command18,
                    &main_.Command19, &main_.Command20, &main_.Command21, &main_.Command22,
                    &main_.Command23}) {
        saved_.emplace_back(b, b->enabled());
        b->set_enabled(false);
    }
}

void CommandLock::unlock() {
    if (!locked_) return;
    locked_ = false;
    const bool linked = main_.Command8.caption() == "DISCONNECT";
    for (auto [button, was] : saved_)
        if (linked || button == &main_.Command19) button->set_enabled(was);
    saved_.clear();
}

}  // namespace orv
