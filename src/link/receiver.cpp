#include "link/receiver.h"

#include "link/protocol.h"

namespace orv::link {

namespace {

bool starts_with(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

Receiver::Receiver(MainWindow& main, Transport& transport, Connection& connection,
                   platform::Dialogs& dialogs)
    : main_(main), s_(main.state), transport_(transport), connection_(connection), dialogs_(dialogs) {
    transport_.on_serial_notify = [this] { serial_arrived(); };
    transport_.on_socket_arrival = [this] { socket_arrived(); };
}

void Receiver::serial_arrived() { accumulate(transport_.read_serial(), Via::Serial); }

void Receiver::socket_arrived() {
    s_.ack_rx = true;
    const std::string arrived = transport_.read_socket();
    accumulate(arrived, Via::Socket);
    after_socket_arrival.fire(arrived);
}

void Receiver::send_back(std::string_view bytes, Via via) {
    if (via == Via::Serial) {
        transport_.write_serial(bytes);
    } else {
        transport_.send_socket(bytes);
    }
}

void Receiver::accumulate(const std::string& arrived, Via via) {
    s_.instring += arrived;
    // A box that sends without ever ending a reply must not fill the memory: keep the newest
    // bytes only, far more than any reply holds.
    if (s_.instring.size() > kMaxReplyLength)
        s_.instring.erase(0, s_.instring.size() - kMaxReplyLength);
    if (s_.instring.empty() || s_.instring.back() != '#') return;
    // The reply leaves the accumulator before it is handled, so bytes that arrive while a
    // message about it is open start the next reply.
    const std::string reply = std::exchange(s_.instring, {});
    dispatch(reply, via);
    replied.fire();
}

Awaited awaited_reply(const MainState& s, int threshold) {
    if (s.bootmode) return Awaited::BootLoader;
    if (awaits_settings_block(threshold)) return Awaited::SettingsBlock;
    if (s.do_code) return Awaited::ProductCode;
    if (s.do_firmware) return Awaited::FirmwareVersion;
    if (s.do_orvantis) return Awaited::Identity;
    if (s.button_flag) return Awaited::ReversalFlags;
    return Awaited::Channel;
}

void forget_awaited(MainState& s, Transport& transport) {
    s.button_flag = false;
    s.do_code = false;
    s.do_firmware = false;
    s.instring.clear();
    // What the serial port holds back of a broken-off answer would be read together with the
    // next one (the socket's part waits in instring).
    transport.discard_input();
    transport.set_threshold(kEveryByte);
}

void Receiver::dispatch(const std::string& reply, Via via) {
    switch (awaited_reply(s_, transport_.threshold())) {
        case Awaited::BootLoader:
            if (boot_reply) boot_reply(reply);
            break;
        case Awaited::SettingsBlock:
            if (settings_block) settings_block(reply, via);
            break;
        case Awaited::ProductCode:
            product_code(reply, via);
            break;
        case Awaited::FirmwareVersion:
            firmware_version(reply, via);
            break;
        case Awaited::Identity:
            identification(reply, via);
            break;
        case Awaited::ReversalFlags:
            if (reversal_flags) reversal_flags(reply, via);
            break;
        case Awaited::Channel:
            // Whatever else arrives is taken as the RF channel: the first byte's value.
            main_.channel_box.set_text(std::to_string(static_cast<unsigned char>(reply.front())));
            break;
    }
}

void Receiver::product_code(const std::string& reply, Via via) {
    main_.product_code.set_text(reply);
    send_back(kAskFirmwareVersionFramed, via);
    s_.do_code = false;
    s_.do_firmware = true;
}

void Receiver::generation(std::int16_t ver) {
    s_.ver = ver;
    main_.autostar_mode.set_enabled(ver == 2);
    main_.sequential_guiding.set_enabled(ver == 2);
}

void Receiver::found(const std::string& what) {
    dialogs_.message(what + main_.port_list.text(), kFoundTitle);
}

void Receiver::firmware_version(const std::string& reply, Via via) {
    main_.firmware_version.set_text(reply);
    s_.do_firmware = false;
    if (via == Via::Socket || s_.device_type.empty()) s_.device_type = "orvantis";
    main_.enable_controls(true, s_.device_type);
    connection_.stop_identification_timer();

    std::int16_t ver = 0;
    if (reply == kGeneration1Reply) {
        ver = 1;
    } else if (via == Via::Serial) {
        if (starts_with(reply, kGeneration2Prefix) || starts_with(reply, kEmulatorPrefix) ||
            reply == kGeneration2Firmware)
            ver = 2;
    } else if (reply == kGeneration2Reply || reply == kGeneration2Firmware) {
        ver = 2;
    }
    if (ver == 0) {
        reject(via);
        return;
    }
    generation(ver);
    connection_.identified();
    if (via == Via::Serial) {
        const bool searching = s_.search_com_mode;
        s_.search_com_mode = false;
        if (searching) found("Orvantis found on ");
    }
    connection_.advise_found();
}

void Receiver::identification(const std::string& reply, Via via) {
    main_.identity_box.set_text(reply);
    s_.do_orvantis = false;
    s_.device_type = "orvantis";
    connection_.stop_identification_timer();

    enum class Says { None, Found, Emulator };
    Says says = Says::None;
    bool accepted = true;
    if (reply == kGeneration1Reply) {
        generation(1);
        if (via == Via::Serial && s_.search_com_mode) says = Says::Found;
    } else if (via == Via::Serial ? starts_with(reply, kGeneration2Prefix)
                                  : reply == kGeneration2Reply) {
        generation(2);
        if (via == Via::Serial) says = Says::Found;
    } else if (via == Via::Serial ? starts_with(reply, kEmulatorPrefix) : reply == kEmulatorReply) {
        generation(2);
        s_.device_type = "lx200";
        if (via == Via::Serial) says = Says::Emulator;
    } else {
        accepted = false;
    }
    if (!accepted) {
        reject(via);
        return;
    }
    // The window is identified before the message is read, so nothing delivered while it is
    // open can find it half done.
    main_.enable_controls(true, s_.device_type);
    connection_.identified();
    if (via == Via::Serial) s_.search_com_mode = false;
    if (says == Says::Found) found("Orvantis found on ");
    if (says == Says::Emulator) found("Orvantis LX200 emulator found on ");
    connection_.advise_found();
}

void Receiver::reject(Via via) {
    if (via == Via::Serial) s_.search_com_mode = false;
    dialogs_.message(std::string("Future firmware version! Please update this software from ") +
                         kMakerWebAddress,
                     "");
    connection_.identification_tick();
}

}  // namespace orv::link
