#pragma once
// Keeps every button that sends a command to the box switched off while a sequence needs the
// link to itself (a settings write, the boot loader), so nothing else goes out in between.

#include <utility>
#include <vector>

#include "ui/main_window.h"

namespace orv {

class CommandLock {
public:
    explicit CommandLock(MainWindow& main) : main_(main) {}

    // Switches the buttons off, remembering how each one was. Only one sequence may hold them
    // (while `commands_locked` is set another one has the link): the caller checks first.
    void lock();
    bool held() const { return locked_; }
    // Gives them back as they were while the link is up; once it has closed, only SEND, the
    // one command button that stays usable without a box.
    void unlock();

private:
    MainWindow& main_;
    bool locked_ = false;
    std::vector<std::pair<ui::Button*, bool>> saved_;
};

}  // namespace orv
