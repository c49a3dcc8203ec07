#include "config/settings_read.h"

#include "link/protocol.h"

namespace orv::config {

unsigned block_value(const std::string& block, int k) {
    const auto hi = static_cast<unsigned char>(block[static_cast<std::size_t>(2 * k)]);
    const auto lo = static_cast<unsigned char>(block[static_cast<std::size_t>(2 * k + 1)]);
    return 256u * hi + lo;
}

SettingsRead::SettingsRead(MainWindow& main, link::Transport& transport, link::Receiver& receiver,
                           platform::Timer& timer, platform::Dialogs& dialogs)
    : main_(main),
      s_(main.state),
      transport_(transport),
      receiver_(receiver),
      timer_(timer),
      dialogs_(dialogs),
      lock_(main) {
    main_.read_settings.clicked.connect([this] { start(); });
    receiver_.reversal_flags = [this](const std::string& r, link::Via v) { reversal_reply(r, v); };
    receiver_.settings_block = [this](const std::string& r, link::Via v) { settings_block(r, v); };
    // Every reply moves the read on: the next step gets its own few seconds.
    receiver_.replied.connect([this] {
        if (!timer_.active()) return;
        if (waiting_for().empty()) {
            finish();
        } else {
            timer_.start(kReadStepTimeoutMs);
        }
    });
    timer_.on_tick = [this] { timed_out(); };
    // A read still under way ends with the link; its flags were reset with it.
    main_.link_closed.connect([this] { finish(); });
}

void SettingsRead::start() {
    if (timer_.active()) return;  // a read is under way
    // Another sequence has the link (the boot loader): nothing of the read may reach it.
    if (main_.refuse_while_boot_loader("Read Settings", dialogs_)) return;
    if (main_.refuse_while_running("Read Settings", dialogs_)) return;
    if (transport_.socket_connected()) {
        transport_.send_socket(link::kReadReversalFlags);
    } else {
        transport_.read_serial();
        transport_.discard_input();
        transport_.write_serial(link::kReadReversalFlags);
    }
    s_.button_flag = true;
    if (s_.device_type == "orvantis")
        for (auto& box : main_.time_boxes) box.set_enabled(true);
    // Until the last answer nothing else goes out: a command in between would have its answer
    // taken for the read's, or the read's for its own.
    lock_.lock();
    timer_.start(kReadStepTimeoutMs);
}

void SettingsRead::finish() {
    timer_.stop();
    lock_.unlock();
}

void SettingsRead::reversal_reply(const std::string& reply, link::Via via) {
    s_.button_flag = false;
    const auto c = static_cast<unsigned char>(reply.front());
    main_.rev_ra.set_value(0);
    main_.rev_dec.set_value(0);
    if ((c & 1u) != 0) main_.rev_ra.set_value(1);
    if ((c & 2u) != 0) main_.rev_dec.set_value(1);
    transport_.set_threshold(s_.ver == 1 ? link::kGen1BlockLength : link::kGen2BlockLength);
    receiver_.send_back(link::kReadSettingsBlock, via);
}

void SettingsRead::settings_block(const std::string& reply, link::Via via) {
    // The serial port notifies only once the whole block waits; over TCP a block can come in
    // pieces, each ending in "#" by chance (0x23 is a valid data byte): wait for all of it.
    const std::size_t length = static_cast<std::size_t>(transport_.threshold());
    if (reply.size() < length) {
        s_.instring = reply;
        return;
    }
    if (via == link::Via::Socket || s_.device_type == "orvantis")
        for (int k = 0; k < 6; ++k)
            main_.time_boxes[k].set_text(std::to_string(block_value(reply, k)));
    if (s_.ver == 2) {
        main_.autostar_mode.set_value(reply[12] != 0 ? 1 : 0);
        main_.sequential_guiding.set_value(reply[13] != 0 ? 1 : 0);
    }
    transport_.set_threshold(link::kEveryByte);
    s_.do_code = true;
    receiver_.send_back(link::kAskProductCode, via);
}

std::string SettingsRead::waiting_for() const {
    switch (link::awaited_reply(s_, transport_.threshold())) {
        case link::Awaited::ReversalFlags:
            return std::string("the button reversal flags (") + link::kReadReversalFlags + ")";
        case link::Awaited::SettingsBlock:
            return std::string("the settings block (") + link::kReadSettingsBlock + ")";
        case link::Awaited::ProductCode:
            return std::string("the product code (") + link::kAskProductCode + ")";
        case link::Awaited::FirmwareVersion:
            return std::string("the firmware version (") + link::kAskFirmwareVersionFramed + ")";
        default:
            return {};  // nothing the read asked for is outstanding
    }
}

void SettingsRead::timed_out() {
    finish();
    const std::string step = waiting_for();
    if (step.empty()) return;
    link::forget_awaited(s_, transport_);
    dialogs_.message("The Orvantis did not answer " + step +
                         " within " + std::to_string(kReadStepTimeoutMs / 1000) +
                         " seconds. The settings shown may be incomplete: check the connection "
                         "and press Read Settings again.",
                     "");
}

}  // namespace orv::config
