// The box's boot loader, independent of any I/O. "ROB#" (taken by the box's
// ordinary command handling) starts it; from then on the bytes of that side
// are raw:
//   - every complete 128-byte block is written to program memory, block k at
//     address 128k, until all 224 blocks (28,672 bytes, 0x0000..0x6FFF) are in;
//   - then "A" asks for the whole program memory back, "AAAA" ends the boot
//     loader (the box is back to ordinary commands);
//   - "ROB#" restarts it (block count back to 0) where a block would start,
//     and after the last block. So a block cannot start with "ROB#".
// After the last block a lone "A" is the read-back request; "AA" and "AAA"
// wait for more, in case "AAAA" arrives in pieces. Other bytes there are
// strays. Events are taken one at a time, like the framer's commands, so that
// the box can stop right after any of them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace boxsim {

class BootLoader {
public:
    static constexpr std::size_t blockSize = 128;
    static constexpr std::size_t blockCount = 224;
    static constexpr std::size_t memorySize = blockSize * blockCount;

    struct Event {
        enum class Kind { Block, ReadBack, Accept, Restart, Stray };
        Kind kind;
        std::size_t block = 0; // Block: its number
        std::string text;      // how the event is logged: "block 5", "A", "AAAA", "ROB#", the stray byte
    };

    BootLoader() { memory_.fill(0xff); }

    // ROB# in ordinary mode: boot mode, nothing received yet.
    void start();
    bool active() const { return active_; }

    void append(std::string_view bytes);
    // The next event, or nullopt until more bytes arrive (or when not active).
    std::optional<Event> next();
    // What came after "AAAA": bytes for ordinary command handling.
    std::string takeRest();
    // Forgets half a block: for a new client; with lost, for a dropped link,
    // which takes the bytes behind the drop with it (no longer counted as received).
    void dropPartial(bool lost = false);

    std::size_t blocks() const { return blocks_; }
    // Bytes taken in boot mode since the last "ROB#".
    std::size_t received() const { return received_; }

    std::string memory() const;
    // Loads memory from address 0; the rest stays as it is. False if too large.
    bool load(std::string_view bytes);

private:
    std::optional<Event> afterLastBlock();

    std::array<std::uint8_t, memorySize> memory_;
    std::string input_;
    bool active_ = false;
    std::size_t blocks_ = 0;
    std::size_t received_ = 0;
};

} // namespace boxsim
