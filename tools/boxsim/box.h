// The simulated box itself: receives the bytes clients send, takes complete
// commands from them (one receive buffer per side) and answers each on the
// side it came from. The I/O layer feeds it with receive(), delivers whatever
// it hands to the send function (to the named side), closes a side's link when
// the drop function says so, and calls releaseDue() when nextDue() says a
// delayed, split or paced reply is due. Time is always passed in.
//
// Every command taken is logged: "<ms> <side> CMD <text>" when the box knows
// it, "<ms> <side> UNKNOWN <text>" otherwise (see Log::command). In boot mode
// the boot loader's events are logged the same way: "CMD block <k>", "CMD A",
// "CMD AAAA", "CMD ROB#".
//
// Boot mode belongs to the side that sent "ROB#": that side's bytes go to the
// boot loader (see boot_loader.h), the other side is served as usual. A new
// client or a dropped link on that side loses half a block, not boot mode.
#pragma once

#include "boot_loader.h"
#include "faults.h"
#include "log.h"
#include "outbox.h"
#include "protocol.h"
#include "settings_record.h"
#include "side.h"

#include <array>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace boxsim {

struct BoxConfig {
    Identity identity = *namedIdentity("gen2");
    Shaping shaping;
    std::string stray;          // sent once, in front of the first reply
    char ack = '#';             // to every settings write
    char bootAck = '\x06';      // to every boot loader block
    std::string bootReply = "2#"; // to "ROB#"
    SettingsRecord record;
    Faults faults;              // faults.replyDelay is taken from shaping.delay
    std::string memory;         // program memory from address 0 (the rest is 0xff)
};

class Box {
public:
    using Clock = Outbox::Clock;
    using SendFn = std::function<void(Side, std::string_view)>;
    using DropFn = std::function<void(Side)>;

    // config.memory must fit the program memory.
    Box(Log& log, BoxConfig config, SendFn send, DropFn drop);

    void receive(Side from, std::string_view bytes, Clock::time_point now);

    // Answers as the named box from now on (see namedIdentity); false if unknown.
    bool selectIdentity(std::string_view name);
    void setSilent(bool silent) { identity_.silent = silent; }
    // See faults.h; false with the reason in error.
    bool setFault(std::string_view name, std::string_view value, std::string& error);

    // A new client on the side: forgets its partial input and unsent replies.
    void reset(Side side);

    std::optional<Clock::time_point> nextDue() const { return outbox_.nextDue(); }
    void releaseDue(Clock::time_point now) { outbox_.release(now, send_); }

    const SettingsRecord& record() const { return record_; }
    std::string memory() const { return boot_.memory(); }
    // "mode=normal|boot received=<bytes in boot mode> blocks=<k> remote-channel=<n> silenced=yes|no"
    std::string state() const;

private:
    Framer& framer(Side side) { return side == Side::Pty ? ptyInput_ : tcpInput_; }
    bool booting(Side side) const { return boot_.active() && bootSide_ == side; }

    bool feed(Side from, std::string bytes, Clock::time_point now);
    void onCommand(Side from, const std::string& command, Clock::time_point now);
    bool onBootEvent(Side from, const BootLoader::Event& event, Clock::time_point now);
    void taken(Side from, std::string_view text, bool known);
    void reply(Side to, std::string_view bytes, Clock::time_point now);
    void silence(Side side);
    void dropLink(Side side, Clock::time_point now);

    Log& log_;
    Identity identity_;
    std::string stray_;
    char ack_;
    char bootAck_;
    std::string bootReply_;
    SettingsRecord record_;
    Faults faults_;
    SendFn send_;
    DropFn drop_;
    Outbox outbox_;
    Framer ptyInput_;
    Framer tcpInput_;
    BootLoader boot_;
    Side bootSide_ = Side::Pty;
    bool silenced_ = false;
    std::array<std::size_t, 2> receivedOn_ {}; // per side, for drop-after-bytes
    std::minstd_rand random_;
};

} // namespace boxsim
