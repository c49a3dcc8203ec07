#pragma once
// The main window's shared variables: all false, 0 or empty when the window is created.

#include <array>
#include <cstdint>
#include <string>

namespace orv {

struct MainState {
    std::string instring;  // bytes received since the last complete reply, one char per byte
    bool bootmode = false;
    bool button_flag = false;
    bool do_code = false;
    bool do_firmware = false;
    bool do_orvantis = false;
    bool ack_rx = false;
    std::int16_t ver = 0;     // 0 before identification, then firmware generation 1 or 2
    std::string device_type;  // "", "orvantis" or "lx200"
    bool search_com_mode = false;
    std::int16_t search_com_total = 0;
    std::int16_t search_com_count = 0;
    std::array<std::string, 11> search_com_list;
    bool focus_goto1 = false;
    bool focus_goto2 = false;
    std::int16_t focus_constant = 0;
};

}  // namespace orv
