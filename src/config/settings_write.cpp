#include "config/settings_write.h"

#include "link/protocol.h"
#include "ui/number.h"

namespace orv::config {

std::optional<std::string> encode_time(const std::string& text) {
    const auto v = read_number(text);
    if (!v) return std::nullopt;
    const double r = round_half_even(*v);
    if (!(r >= 0.0 && r <= 65535.0)) return std::nullopt;
    const auto n = static_cast<unsigned>(r);
    return std::string{static_cast<char>(n >> 8), static_cast<char>(n & 0xFFu)};
}

SettingsWrite::SettingsWrite(MainWindow& main, link::Transport& transport,
                             link::Receiver& receiver, platform::Timer& timer,
                             platform::Dialogs& dialogs)
    : main_(main),
      s_(main.state),
      transport_(transport),
      timer_(timer),
      dialogs_(dialogs),
      steps_run_(timer, kAckTimeoutMs),
      lock_(main) {
    main_.write_settings.clicked.connect([this] { start(); });
    receiver.after_socket_arrival.connect([this](const std::string& bytes) {
        if (over_socket_) steps_run_.feed(bytes);
    });
    timer_.on_tick = [this] { steps_run_.timed_out(); };
    steps_run_.send = [this](std::size_t step) { send(step); };
    steps_run_.done = [this] { finish(); };
    steps_run_.silent = [this](std::size_t step) { silent(step); };
    // A link closed meanwhile (DISCONNECT, unplugged) ends the write; its own message says so.
    main_.stop_runs.connect([this] {
        if (running() && !transport_.link_open())
            s_.cut_off.push_back(
                "The link was lost while the settings were being written: the Orvantis may hold "
                "only some of them. Press Write Settings again once connected.");
    });
    main_.link_closed.connect([this] {
        if (running()) {
            steps_run_.stop();
            finish();
        }
    });
}

std::vector<WriteStep> SettingsWrite::plan(std::string& refusal) const {
    std::vector<WriteStep> steps;
    const auto flag = [](const ui::CheckBox& box) { return std::string(1, box.value() == 1 ? '\x01' : '\x00'); };
    steps.push_back({link::kWriteRevRa + flag(main_.rev_ra) + link::kEnd, "Rev RA"});
    steps.push_back({link::kWriteRevDec + flag(main_.rev_dec) + link::kEnd, "Rev DEC"});
    if (s_.device_type == "orvantis") {
        for (int k = 0; k < 6; ++k) {
            const std::string& field = main_.time_labels[k].caption();
            const auto bytes = encode_time(main_.time_boxes[k].text());
            if (!bytes) {
                refusal = "\"" + field + "\" holds \"" + main_.time_boxes[k].text() +
                          "\", which is not a whole number of seconds from 0 to 65535. Nothing "
                          "was written; correct it and press Write Settings again.";
                return {};
            }
            steps.push_back({link::kWriteTime[k] + *bytes + link::kEnd, field});
        }
    }
    if (s_.ver >= 2) {
        steps.push_back({main_.autostar_mode.value() == 1 ? link::kAutoStarOn : link::kAutoStarOff,
                         "AutoStar2 Emulation Mode"});
        steps.push_back(
            {main_.sequential_guiding.value() == 1 ? link::kSequentialOn : link::kSequentialOff,
             "Sequential Guiding"});
    }
    return steps;
}

void SettingsWrite::start() {
    if (running()) return;
    // Another sequence has the link (the boot loader): nothing of the write may reach it.
    if (main_.refuse_while_boot_loader("Write Settings", dialogs_)) return;
    if (main_.refuse_while_running("Write Settings", dialogs_)) return;
    std::string refusal;
    steps_ = plan(refusal);
    if (!refusal.empty()) {
        dialogs_.message(refusal, "");
        return;
    }
    over_socket_ = transport_.socket_connected();
    if (!over_socket_ && !transport_.serial_open()) {
        dialogs_.message(link::kNotConnected, "");
        return;
    }
    // No other command may come between a command and its acknowledgement.
    lock_.lock();
    if (!over_socket_) transport_.own_serial([this] { steps_run_.feed(transport_.read_serial()); });
    steps_run_.start(steps_.size());
}

void SettingsWrite::send(std::size_t step) {
    const std::string& command = steps_[step].command;
    if (over_socket_) {
        transport_.send_socket(command);
    } else {
        // An answer left from before must not count as this command's acknowledgement.
        transport_.discard_input();
        transport_.write_serial(command);
    }
}

void SettingsWrite::silent(std::size_t index) {
    const WriteStep& step = steps_[index];
    finish();
    dialogs_.message("The Orvantis did not acknowledge \"" + step.field + "\" within " +
                         std::to_string(kAckTimeoutMs / 1000) +
                         " seconds, so the write stopped there and the settings after it were "
                         "not sent. Check the connection and press Write Settings again.",
                     "");
}

void SettingsWrite::finish() {
    if (transport_.serial_owned()) transport_.release_serial();
    lock_.unlock();
}

}  // namespace orv::config
