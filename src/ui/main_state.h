#pragma once
// The main window's shared variables: all false, 0 or empty when the window is created.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orv {

// Where the link to the box stands. The CONNECT / DISCONNECT caption is drawn from it.
enum class LinkState {
    Idle,         // nothing open: "CONNECT"
    Connecting,   // a TCP connect under way: still "CONNECT"
    Asking,       // open, the identification question sent
    AskingAgain,  // open, no answer within a second: the firmware version asked
    Identified,   // the box answered and was accepted
    BootLoader,   // open, and the box told to start its boot loader: only it answers now
};

// An open link: asking or identified. A TCP connect under way is not one yet.
constexpr bool link_up(LinkState s) { return s != LinkState::Idle && s != LinkState::Connecting; }

struct MainState {
    LinkState link = LinkState::Idle;
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
    // The camera shutter: opened by Shutter ON or a run, and an Auto Shutter run under way. The
    // indicator and the Auto Shutter caption are drawn from these.
    bool shutter_open = false;
    bool sequencer_on = false;
    // What was running on the box when the link was lost, a sentence each for the message
    // that tells the user.
    std::vector<std::string> cut_off;
    bool focus_goto1 = false;
    bool focus_goto2 = false;
    std::int16_t focus_constant = 0;
};

}  // namespace orv
