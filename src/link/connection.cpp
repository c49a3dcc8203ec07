#include "link/connection.h"

#include <charconv>

#include "link/protocol.h"
#include "link/receiver.h"

namespace orv::link {

namespace {

bool starts_with(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

// "a", "a and b", "a, b and c" (with `last` for "and").
std::string joined(const std::vector<std::string>& words, const char* last) {
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i)
        text += (i == 0                  ? ""
                 : i + 1 == words.size() ? std::string(" ") + last + " "
                                         : ", ") +
                words[i];
    return text;
}

// "COM10" -> 10; 0 when the entry is not a COM name.
int com_number_of(const std::string& entry) {
    if (!starts_with(entry, "COM") || entry.size() == 3) return 0;
    int n = 0;
    const char* first = entry.data() + 3;
    const char* last = entry.data() + entry.size();
    const auto [end, ec] = std::from_chars(first, last, n);
    return ec == std::errc() && end == last && n > 0 ? n : 0;
}

}  // namespace

Connection::Connection(MainWindow& main, PortSettingsWindow& settings, Transport& transport,
                       platform::PortDirectory& ports, platform::Timer& identify_timer,
                       platform::Timer& connect_timer, platform::Dialogs& dialogs)
    : main_(main),
      s_(main.state),
      settings_(settings),
      transport_(transport),
      ports_(ports),
      identify_timer_(identify_timer),
      connect_timer_(connect_timer),
      dialogs_(dialogs) {
    main_.connect_button.clicked.connect([this] { connect_or_disconnect(); });
    identify_timer_.on_tick = [this] { identification_tick(); };
    connect_timer_.on_tick = [this] { socket_connect_timed_out(); };
    transport_.on_socket_connected = [this] { socket_connected(); };
    transport_.on_socket_error = [this](const std::string& why) { socket_failed(why); };
    transport_.on_serial_lost = [this](const std::string& why) { serial_lost(why); };
}

void Connection::connect_or_disconnect() {
    if (link_up()) {
        disconnect();
    } else {
        connect();
    }
}

void Connection::enter(LinkState state) {
    s_.link = state;
    const bool up = link_up();
    main_.connect_button.set_caption(up ? "DISCONNECT" : "CONNECT");
    switch (state) {
        case LinkState::Connecting:
            main_.link_progress.set_caption("Connecting to " + settings_.ip_address.text() + ":" +
                                            settings_.ip_port.text() + "\u2026");
            break;
        case LinkState::Asking:
        case LinkState::AskingAgain:
            main_.link_progress.set_caption("Asking the Orvantis\u2026");
            break;
        default:
            main_.link_progress.set_caption("");
    }
    main_.link_changed.fire();
}

void Connection::identified() {
    enter(LinkState::Identified);  // the receiver has stopped the identification timer
}

void Connection::advise_found() {
    if (!transport_.serial_open() || s_.link != LinkState::Identified) return;
    // Linux lets two programs open one port: the box's replies may go to either.
    if (const std::string held = held_by_others(main_.port_list.text(), transport_.port_number());
        !held.empty())
        dialogs_.message(held +
                             " as well, so some of the Orvantis's replies may go to that "
                             "program instead. Close the port there.",
                         "");
    const auto latency = ports_.latency(transport_.port_number());
    if (latency.ms <= kHarmlessLatencyMs) return;
    if (!latency_told_.insert(latency.file).second) return;
    const std::string ms = std::to_string(latency.ms);
    const int upload_s = (latency.ms * kFirmwareBlocks + 500) / 1000;
    dialogs_.message(main_.port_list.text() + " is a USB serial adapter that holds short replies " +
                         "for up to " + ms + " ms before passing them on (its latency timer). " +
                         "Each firmware block waits for such a reply, so a firmware upload takes " +
                         "about " + std::to_string(upload_s) + " s longer, and every answer of " +
                         "the Orvantis comes up to " + ms + " ms late.\n" +
                         "To lower it to 1 ms until the adapter is plugged in again:\n" +
                         "echo 1 | sudo tee " + latency.file + "\n" +
                         "For good, put this line into /etc/udev/rules.d/50-orvantis.rules:\n" +
                         "ACTION==\"add\", SUBSYSTEM==\"usb-serial\", " +
                         "ATTR{latency_timer}=\"1\"\n" + "This program changes nothing by itself.",
                     "");
}

std::string Connection::grabbers() const {
    std::string text;
    for (const auto& line : ports_.grabbers()) text += "\n" + line;
    return text;
}

std::string Connection::baud_hint() const {
    const std::string list = joined(settings_.baud_box.items(), "or");
    return "\n" + main_.port_list.text() + " was asked at " + settings_.baud_box.text() +
           " baud. The Orvantis answers only at the rate set on it (" + list +
           "): choose another in Port Settings, or try \"Search COM\" in case it is on another "
           "port.";
}

void Connection::connect() {
    // Stray bytes of an earlier link must not lead the first reply of this one.
    s_.instring.clear();
    if (starts_with(main_.port_list.text(), "TCP")) {
        s_.bootmode = false;
        // Armed first, so that a connect failing at once is seen as a failed connect.
        connect_timer_.start(kSocketConnectTimeoutMs);
        enter(LinkState::Connecting);
        const std::string why =
            transport_.connect_socket(settings_.ip_address.text(), settings_.ip_port.text());
        if (!why.empty()) {
            connect_timer_.stop();
            enter(LinkState::Idle);
            dialogs_.message(why, "");
        }
        return;
    }
    connect_serial();
}

void Connection::connect_serial() {
    const bool starting = !s_.search_com_mode && starts_with(main_.port_list.text(), "Search");
    if (starting) {
        s_.search_com_total = 0;
        s_.search_com_count = 0;
        for (const std::string& entry : main_.port_list.items()) {
            if (!starts_with(entry, "COM") ||
                s_.search_com_total >= static_cast<std::int16_t>(s_.search_com_list.size()))
                continue;
            s_.search_com_list[static_cast<std::size_t>(s_.search_com_total)] = entry;
            ++s_.search_com_total;
        }
        if (s_.search_com_total == 0) {
            dialogs_.message("There is no COM port to search on this computer. Plug in the "
                             "Orvantis, or choose \"TCP Port\".",
                             "");
            return;
        }
        s_.search_com_mode = true;
        skipped_.clear();
    }
    s_.bootmode = false;

    const std::string baud = settings_.baud_box.text();
    transport_.set_line_settings(baud + ",N,8,1");
    if (!parse_line_settings(transport_.line_settings())) {
        if (s_.search_com_mode) main_.port_list.set_text("Search COM");
        s_.search_com_mode = false;
        dialogs_.message("The baud rate \"" + baud +
                             "\" is not a number. Choose 9600, 19200, 38400 or 57600 in Port "
                             "Settings, then press CONNECT again.",
                         "");
        return;
    }

    std::string entry = main_.port_list.text();
    if (s_.search_com_mode) {
        entry = s_.search_com_list[static_cast<std::size_t>(s_.search_com_count)];
        main_.port_list.set_text(entry);
    }
    const int port = com_number_of(entry);
    if (port == 0) {
        dialogs_.message("\"" + entry + "\" is not a port. Choose a COM port, \"Search COM\" or "
                         "\"TCP Port\" in the PORT list.",
                         "");
        return;
    }
    // A search leaves ports alone that another program has open: the Orvantis's answers could
    // go to that program, and our questions would reach whatever it talks to.
    if (s_.search_com_mode) {
        if (const std::string held = held_by_others(entry, port); !held.empty()) {
            skipped_.push_back(held);
            if (end_search_if_last()) return;
            ++s_.search_com_count;
            connect_serial();
            return;
        }
    }
    transport_.set_port_number(port);
    transport_.set_threshold(kEveryByte);
    const std::string why = transport_.open_serial();
    if (!why.empty()) {
        if (!s_.search_com_mode) {
            const std::string held = held_by_others(entry, port);
            std::string text = why.back() == '.' ? why : why + ".";
            if (!held.empty()) text += "\n" + held + ": close it there, then press CONNECT again.";
            dialogs_.message(text + grabbers(), "");
            return;
        }
        // During a search a port that cannot be opened counts as one that does not answer.
        if (end_search_if_last()) return;
        ++s_.search_com_count;
        connect_serial();
        return;
    }
    transport_.write_serial(kAskIdentity);
    s_.do_orvantis = true;
    s_.do_firmware = false;
    enter(LinkState::Asking);
    identify_timer_.start(1000);
}

void Connection::disconnect() {
    // An identification or a search still under way ends here too.
    if (s_.search_com_mode) main_.port_list.set_text("Search COM");
    close_link(s_.device_type);
}

void Connection::socket_connected() {
    connect_timer_.stop();
    s_.do_orvantis = true;
    s_.do_firmware = false;
    enter(LinkState::Asking);
    identify_timer_.start(1000);
    transport_.send_socket(kAskIdentity);
}

void Connection::socket_failed(const std::string& why) {
    const std::string host = settings_.ip_address.text();
    const std::string where = host + ":" + settings_.ip_port.text();
    if (connect_timer_.active()) {
        connect_timer_.stop();
        enter(LinkState::Idle);
        std::string step;
        switch (transport_.socket_failure()) {
            case platform::SocketFailure::Refused:
                step = host + " is there, but nothing takes connections on port " +
                       settings_.ip_port.text() +
                       ". Check the port number in Port Settings and that the gateway's serial "
                       "server (ser2net, say) runs and listens on it.";
                break;
            case platform::SocketFailure::NoRoute:
                step = "This computer has no way to " + host +
                       ". Check that it is on the gateway's network (cable or Wi-Fi) and the "
                       "address in Port Settings.";
                break;
            case platform::SocketFailure::UnknownHost:
                step = "The name " + host +
                       " is not known. Check the address in Port Settings, or use the "
                       "gateway's number address (192.168.1.20, say).";
                break;
            default:
                step =
                    "Check the address and port in Port Settings and that the network "
                    "adapter is on.";
        }
        dialogs_.message("Cannot connect to " + where + ": " + why + ".\n" + step, "");
        return;
    }
    if (!link_up()) return;
    if (transport_.socket_failure() == platform::SocketFailure::TimedOut) {
        // The socket's own probes went unanswered: the gateway is off or off the network.
        give_up("The connection to " + where + " was lost: nothing at that address answered for " +
                    std::to_string(platform::kSilentGatewayMs / 1000) +
                    " seconds, not even its network.\nCheck the gateway's power and its cable "
                    "or Wi-Fi, then press CONNECT.",
                s_.device_type);
        return;
    }
    give_up("The connection to " + where + " was lost: " + why +
                ".\nCheck the network adapter and its power, then press CONNECT.",
            s_.device_type);
}

void Connection::socket_connect_timed_out() {
    connect_timer_.stop();
    transport_.close_socket();
    enter(LinkState::Idle);
    dialogs_.message("Cannot connect to " + settings_.ip_address.text() + ":" +
                         settings_.ip_port.text() + ": no answer within " +
                         std::to_string(kSocketConnectTimeoutMs / 1000) +
                         " seconds.\nNothing answered at that address, not even to refuse: "
                         "check that the network adapter is switched on and the address in "
                         "Port Settings.",
                     "");
}

void Connection::serial_lost(const std::string& why) {
    if (!link_up()) return;
    const std::string port = main_.port_list.text();
    if (s_.search_com_mode) main_.port_list.set_text("Search COM");
    give_up("The connection on " + port + " was lost: " + why +
                ".\nCheck the cable and the power of the Orvantis, then press CONNECT.",
            s_.device_type);
}

void Connection::close_link(const std::string& device_type) {
    s_.cut_off.clear();
    identify_timer_.stop();  // the connect timer ended with the connect, before any link was up
    // Runs stop and held buttons let go while their stop commands can still reach the box.
    main_.stop_runs.fire();
    main_.enable_controls(false, device_type);
    transport_.close_socket();
    transport_.close_serial();
    enter(LinkState::Idle);
    s_.search_com_mode = false;
    s_.do_orvantis = false;
    // Nothing asked on this link may take a reply on the next one for itself.
    forget_awaited(s_, transport_);
    main_.link_closed.fire();
}

bool Connection::end_search_if_last() {
    if (s_.search_com_count < s_.search_com_total - 1) return false;
    main_.port_list.set_text("Search COM");
    give_up(not_found(), "orvantis");
    return true;
}

std::string Connection::held_by_others(const std::string& entry, int port) const {
    const auto holders = ports_.holders(port);
    if (holders.empty()) return {};
    return entry + " is open in " + joined(holders, "and");
}

std::string Connection::not_found() const {
    std::string text = kNoOrvantis;
    if (s_.search_com_mode) {
        if (skipped_.empty()) return text + grabbers();
        text += "\nNot tried, because another program has them open:";
        for (const auto& s : skipped_) text += "\n" + s;
        return text + "\nClose the port in that program, then search again." + grabbers();
    }
    // Only silence gets the doctor's word: an answer that was not the Orvantis's has been told.
    const bool silent = transport_.received() == 0;
    if (transport_.socket_connected())
        return silent ? text + "\nThe gateway at " + settings_.ip_address.text() + ":" +
                            settings_.ip_port.text() +
                            " took the connection, but no answer came through it. Check that "
                            "the gateway talks to its serial side at the baud rate set on the "
                            "Orvantis, its cable to the Orvantis, and that the Orvantis is "
                            "switched on."
                      : text;
    const std::string held = held_by_others(main_.port_list.text(), transport_.port_number());
    if (!held.empty())
        text += "\n" + held +
                " as well, so the Orvantis's answers may have gone to that "
                "program. Close it there, then press CONNECT again.";
    return silent ? text + baud_hint() + grabbers() : text;
}

void Connection::give_up(const std::string& message, const std::string& device_type) {
    close_link(device_type);
    // What the lost link left running on the box, and that nothing takes it up again.
    std::string full = message;
    for (const std::string& line : s_.cut_off) full += "\n" + line;
    if (!s_.cut_off.empty()) full += " Check the telescope.";
    dialogs_.message(full, "");
}

void Connection::identification_tick() {
    if (transport_.socket_connected()) {
        if (s_.do_orvantis) {
            transport_.send_socket(kAskFirmwareVersion);
            s_.do_orvantis = false;
            s_.do_firmware = true;
            enter(LinkState::AskingAgain);
            return;
        }
        give_up(not_found(), "orvantis");
        return;
    }
    if (s_.do_orvantis) {
        if (!transport_.write_serial(kAskFirmwareVersion)) {
            give_up(not_found(), "orvantis");
            return;
        }
        s_.do_orvantis = false;
        s_.do_firmware = true;
        enter(LinkState::AskingAgain);
        return;
    }
    if (!s_.search_com_mode) {
        give_up(not_found(), "orvantis");
        return;
    }
    if (end_search_if_last()) return;
    ++s_.search_com_count;
    transport_.close_serial();
    main_.enable_controls(false, "orvantis");
    enter(LinkState::Idle);
    identify_timer_.stop();
    s_.do_orvantis = true;
    s_.do_firmware = false;
    connect_or_disconnect();
}

}  // namespace orv::link
