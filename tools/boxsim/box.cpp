#include "box.h"

#include <utility>

namespace boxsim {

namespace {

std::size_t index(Side side)
{
    return side == Side::Pty ? 0 : 1;
}

} // namespace

Box::Box(Log& log, BoxConfig config, SendFn send, DropFn drop)
    : log_(log)
    , identity_(std::move(config.identity))
    , stray_(std::move(config.stray))
    , ack_(config.ack)
    , bootAck_(config.bootAck)
    , bootReply_(std::move(config.bootReply))
    , record_(config.record)
    , faults_(std::move(config.faults))
    , send_(std::move(send))
    , drop_(std::move(drop))
    , outbox_(config.shaping)
    , ptyInput_(boxFixedLengths())
    , tcpInput_(boxFixedLengths())
    , random_(std::random_device {}())
{
    faults_.replyDelay = config.shaping.delay;
    boot_.load(config.memory);
}

void Box::receive(Side from, std::string_view bytes, Clock::time_point now)
{
    bool dropAfter = false;
    if (faults_.dropAfterBytes) {
        std::size_t& count = receivedOn_[index(from)];
        const std::size_t left = *faults_.dropAfterBytes - count;
        if (bytes.size() >= left) {
            bytes = bytes.substr(0, left);
            dropAfter = true;
        }
        count += bytes.size();
    }
    if (feed(from, std::string(bytes), now) && dropAfter) {
        faults_.dropAfterBytes.reset();
        dropLink(from, now);
    }
    releaseDue(now);
}

// Hands the bytes to the boot loader or the framer, whichever has the side,
// and what one leaves over to the other. False once the link is dropped.
bool Box::feed(Side from, std::string bytes, Clock::time_point now)
{
    for (;;) {
        if (booting(from)) {
            boot_.append(bytes);
            while (const auto event = boot_.next()) {
                if (!onBootEvent(from, *event, now))
                    return false;
                if (!boot_.active())
                    break;
            }
            if (boot_.active())
                return true;
            bytes = boot_.takeRest();
        } else {
            Framer& input = framer(from);
            input.append(bytes);
            while (const auto command = input.next()) {
                onCommand(from, *command, now);
                if (booting(from))
                    break;
            }
            if (!booting(from))
                return true;
            bytes = input.takeAll();
        }
    }
}

void Box::onCommand(Side from, const std::string& command, Clock::time_point now)
{
    if (command == "ROB#") {
        taken(from, command, true);
        boot_.start();
        bootSide_ = from;
        reply(from, bootReply_, now);
        return;
    }
    auto answer = boxsim::answer(identity_, command);
    if (!answer)
        answer = settingsAnswer(record_, identity_.generation, ack_, command);
    if (!answer && takenWithoutReply(command))
        answer = std::string();
    taken(from, command, answer.has_value());
    if (answer)
        reply(from, *answer, now);
}

bool Box::onBootEvent(Side from, const BootLoader::Event& event, Clock::time_point now)
{
    using Kind = BootLoader::Event::Kind;
    taken(from, event.text, event.kind != Kind::Stray);
    switch (event.kind) {
    case Kind::Block:
        if (faults_.silentAfterBlock == event.block)
            silence(from);
        if (faults_.dropAfterBlock == event.block) {
            faults_.dropAfterBlock.reset();
            boot_.dropPartial(true); // the rest of this read goes with the link
            dropLink(from, now);
            return false;
        }
        reply(from, std::string(1, bootAck_), now);
        break;
    case Kind::ReadBack:
        reply(from, readBack(faults_, boot_.memory()), now);
        break;
    case Kind::Restart:
        reply(from, bootReply_, now);
        break;
    case Kind::Accept:
    case Kind::Stray:
        break;
    }
    return true;
}

// Logs a command (or boot loader event); silent-after looks at the same text.
void Box::taken(Side from, std::string_view text, bool known)
{
    log_.command(from, text, known);
    if (!faults_.silentAfter.empty() && text.substr(0, faults_.silentAfter.size()) == faults_.silentAfter) {
        faults_.silentAfter.clear();
        silence(from);
    }
}

void Box::reply(Side to, std::string_view bytes, Clock::time_point now)
{
    if (bytes.empty() || silenced_ || identity_.silent)
        return;
    const std::string out = faults_.garbage ? garble(bytes, random_) : std::string(bytes);
    outbox_.push(to, stray_ + out, now);
    stray_.clear();
}

void Box::silence(Side side)
{
    if (silenced_)
        return;
    silenced_ = true;
    log_.event(side, "SILENT");
}

// What is due goes out first; what is not is lost with the link.
void Box::dropLink(Side side, Clock::time_point now)
{
    releaseDue(now);
    log_.event(side, "DROP");
    reset(side);
    drop_(side);
}

bool Box::selectIdentity(std::string_view name)
{
    auto identity = namedIdentity(name);
    if (!identity)
        return false;
    identity_ = std::move(*identity);
    return true;
}

bool Box::setFault(std::string_view name, std::string_view value, std::string& error)
{
    if (!boxsim::setFault(faults_, name, value, error))
        return false;
    if (name == "clear")
        silenced_ = false;
    if (name == "drop-after-bytes")
        receivedOn_ = {};
    outbox_.setDelay(faults_.replyDelay);
    return true;
}

void Box::reset(Side side)
{
    framer(side).clear();
    outbox_.drop(side);
    if (booting(side))
        boot_.dropPartial();
}

std::string Box::state() const
{
    return std::string("mode=") + (boot_.active() ? "boot" : "normal") + " received=" + std::to_string(boot_.received())
        + " blocks=" + std::to_string(boot_.blocks()) + " remote-channel=" + std::to_string(record_.remoteChannel)
        + " silenced=" + (silenced_ ? "yes" : "no");
}

} // namespace boxsim
