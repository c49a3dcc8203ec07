#include "config/rf_channel.h"

#include "link/protocol.h"
#include "ui/number.h"

namespace orv::config {

RfChannel::RfChannel(MainWindow& main, link::Transport& transport, platform::Dialogs& dialogs)
    : main_(main), transport_(transport), dialogs_(dialogs) {
    main_.read_channel.clicked.connect([this] { read_channel(); });
    main_.write_channel.clicked.connect([this] { write_channel(); });
    main_.write_to_remote.clicked.connect([this] { write_to_remote(); });
}

std::optional<char> RfChannel::channel_byte() {
    const auto v = read_number(main_.channel_box.text());
    if (!v) {
        dialogs_.message("The RF Channel box must hold a channel number from 0 to 127.", "");
        return std::nullopt;
    }
    // The limit is tested on the number that would go out: 127.6 would be sent as 128.
    const double n = round_half_even(*v);
    if (n >= 128) {
        dialogs_.message(kChannelLimit, "");
        return std::nullopt;
    }
    if (n < 0) {
        dialogs_.message("Channel " + main_.channel_box.text() +
                             " is below 0: the RF channel is a number from 0 to 127.",
                         "");
        return std::nullopt;
    }
    return static_cast<char>(static_cast<unsigned char>(n));
}

void RfChannel::read_channel() { transport_.send_command(link::kReadChannel); }

void RfChannel::write_channel() {
    if (const auto n = channel_byte())
        transport_.send_command(link::kWriteChannel + std::string(1, *n) + link::kEnd);
}

void RfChannel::write_to_remote() {
    if (!channel_byte()) return;
    if (dialogs_.question(kRemoteQuestion, "Set Remote to Channel Set") != platform::Answer::Yes)
        return;
    for (;;) {
        // The box is read afresh before every send: the user may correct it meanwhile.
        const auto n = channel_byte();
        if (!n ||
            !transport_.send_command(link::kWriteRemoteChannel + std::string(1, *n) + link::kEnd))
            return;
        if (dialogs_.question("LED stopped flashing?", "") == platform::Answer::Yes) return;
    }
}

}  // namespace orv::config
