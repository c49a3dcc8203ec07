#pragma once
// The direct command console: SEND hands the command box's text to the box exactly as typed.
// The commands sent are kept, most recent first, in the list of earlier commands beside the box
// (the history the store keeps between runs), and Up and Down walk through them.

#include <string>
#include <vector>

#include "link/transport.h"
#include "ui/main_window.h"

namespace orv::handcontrol {

inline constexpr std::size_t kHistorySize = 50;

class Console {
public:
    Console(MainWindow& main, link::Transport& transport);
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

private:
    void send();
    void remember(const std::string& command);
    // Shows the history entry `at` (-1: what was typed before walking) in the command box.
    void walk_to(int at);

    MainWindow& main_;
    link::Transport& transport_;
    int at_ = -1;        // the history entry the command box shows, -1 for none
    std::string draft_;  // what the box held before Up was first pressed
    bool walking_ = false;
};

}  // namespace orv::handcontrol
