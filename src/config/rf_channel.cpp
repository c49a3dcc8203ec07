#include "config/rf_channel.h"

#include "shell/number.h"

namespace orv::config {

RfChannel::RfChannel(MainWindow& main, link::Transport& transport, platform::Dialogs& dialogs)
    : main_(main), transport_(transport), dialogs_(dialogs) {
    main_.Command9.clicked.connect([this] { Command9_Click(); });
    main_.Command10.clicked.connect([this] { Command10_Click(); });
    main_.Command11.clicked.connect([this] { Command11_Click(); });
}

std::optional<char> RfChannel::channel_byte() {
    const auto v = read_number(main_.Text1.text());
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
        dialogs_.message("Channel " + main_.Text1.text() +
                             " is below 0: the RF channel is a number from 0 to 127.",
                         "");
        return std::nullopt;
    }
    return static_cast<char>(static_cast<unsigned char>(n));
}

void RfChannel::Command9_Click() { transport_.send_command("#gCh#"); }

void RfChannel::Command10_Click() {
    if (const auto n = channel_byte()) transport_.send_command(std::string("#sCh") + *n + "#");
}

void RfChannel::Command11_Click() {
    if (!channel_byte()) return;
    if (dialogs_.question(kRemoteQuestion, "Set Remote to Channel Set") != platform::Answer::Yes)
        return;
    for (;;) {
        // The box is read afresh before every send: the user may correct it meanwhile.
        const auto n = channel_byte();
        if (!n || !transport_.send_command(std::string("#rCh") + *n + "#")) return;
        if (dialogs_.question("LED stopped flashing?", "") == platform::Answer::Yes) return;
    }
}

}  // namespace orv::config
