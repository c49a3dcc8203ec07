#pragma once
// The direct command console: SEND hands the command box's text to the box exactly as typed.

#include "link/transport.h"
#include "ui/main_window.h"

namespace orv::handcontrol {

class Console {
public:
    Console(MainWindow& main, link::Transport& transport);
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;
};

}  // namespace orv::handcontrol
