#pragma once
// The programming run on the wire, with no port and no window: the 224 blocks of 128 bytes,
// each sent once the box has acknowledged the one before; then over a serial link "A" and the
// box's memory read back and compared, over a gateway the boot loader closed with "AAAA" twice.
// Bytes from the box come in through feed(), bytes to it leave through `out`, and each state
// has one time-out on the owner's timer (the owner forwards its tick).

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "link/acked_steps.h"
#include "platform/timer.h"

namespace orv::firmware {

// How long the box may take to acknowledge one block, and to go on sending its memory back.
inline constexpr int kBlockAckTimeoutMs = 3000;
// Verify addresses listed at most; the rest are only counted.
inline constexpr int kMaxVerifyMessages = 8;

// The time the 28,672-byte read-back takes at a baud rate (10 bits a byte), plus a margin.
// The read-back also stops early when no byte comes for kBlockAckTimeoutMs.
int readback_timeout_ms(int baud);

class BlockRun {
public:
    enum class State { Idle, Blocks, ReadBack };

    struct Result {
        enum class End {
            Done,             // every block acknowledged, and the read-back equal (serial)
            Differs,          // the read-back differs from the image
            Silent,           // a block was not acknowledged in time
            ReadBackStopped,  // the read-back stopped before all of it came
        } end = End::Done;
        std::size_t block = 0;           // Silent: the block in flight
        std::size_t got = 0;             // ReadBackStopped: the bytes read back
        std::size_t differing = 0;       // Differs: how many bytes differ
        std::vector<std::size_t> shown;  // Differs: the first of them, at most kMaxVerifyMessages
    };

    BlockRun(platform::Timer& timer, const platform::Clock& clock);
    BlockRun(const BlockRun&) = delete;
    BlockRun& operator=(const BlockRun&) = delete;

    // Starts with block 0. `read_back`: a serial link, where the memory is read back at
    // `baud`; otherwise the boot loader is closed once the last block is acknowledged.
    void start(std::vector<std::uint8_t> image, bool read_back, int baud);
    // Bytes from the box: any byte acknowledges the block in flight; after the last block
    // they are the memory read back.
    void feed(std::string_view bytes);
    // The owner's timer ticked.
    void tick();
    // Ends the run where it is, without a word (the link is gone, the program ends).
    void stop();

    State state() const { return state_; }
    bool running() const { return state_ != State::Idle; }
    // The block in flight (or the last one sent).
    std::size_t block() const { return blocks_.current(); }

    // The bytes to the box.
    std::function<void(std::string_view)> out;
    // Bytes sent so far, and while reading back the bytes received (for the progress bar).
    std::function<void(std::size_t)> sent;
    std::function<void(std::size_t)> read;
    // The last block was acknowledged; called before the read-back request or the closing
    // sequence goes out.
    std::function<void()> blocks_done;
    // The run is over, the state Idle again, before this is called.
    std::function<void(const Result&)> ended;

private:
    void send_block(std::size_t block);
    void all_blocks_sent();
    void verify();
    void end(Result result);

    platform::Timer& timer_;
    const platform::Clock& clock_;
    State state_ = State::Idle;
    bool read_back_ = false;
    int baud_ = 9600;
    std::vector<std::uint8_t> image_;
    link::AckedSteps blocks_;
    std::int64_t readback_deadline_ = 0;
    std::string readback_;
};

}  // namespace orv::firmware
