// Fuzz target: the reply receiver, driven through the whole program on fakes.
//
// Input layout (every byte optional; missing ones read as 0):
//   [0] link:   bit 0 over the socket, bits 1-2 the identity the box gave when connecting
//               ("11.1#", "1.20#", "2.20#", or one the program refuses, leaving the link shut)
//   [1] flags:  bit 0 bootmode, 1 button_flag, 2 do_code, 3 do_firmware, 4 do_orvantis,
//               bits 5-6 the expected block length (kept, 1, 13, 15),
//               bit 7 press Read Settings first (as a user would, with its own time-out)
//   [2] rhythm: bits 0-3 the number of split points, bits 4-7 the time that passes after each
//               piece, in steps of 250 ms (so the time-outs fire now and then)
//   [3..]       one byte per split point: the length of each piece but the last
//   rest        the bytes the box sends, delivered in those pieces
//
// Checked after every piece: no sanitizer report; the accumulator never keeps a reply ending in
// "#" except a settings block that is still short (the socket may split a block at a data byte
// 0x23); the channel box holds its previous text or a decimal number from 0 to 255; nothing is
// written to a closed serial port or sent on a socket that is not connected.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>  // before the fakes, which use std::exchange

#include "fakes/rig.h"

namespace {

[[noreturn]] void fail(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "fuzz_receiver: invariant broken: %s %s\n", what, detail.c_str());
    std::abort();
}

struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    std::uint8_t byte() { return at < size ? data[at++] : 0; }
    std::size_t left() const { return size - at; }
};

bool is_channel_number(const std::string& t) {
    if (t.empty() || t.size() > 3) return false;
    for (const char c : t)
        if (c < '0' || c > '9') return false;
    if (t.size() > 1 && t[0] == '0') return false;
    return std::stoi(t) <= 255;
}

const char* const kIdentities[4] = {"11.1#", "1.20#", "2.20#", "9.99#"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in{data, size};
    const std::uint8_t link = in.byte();
    const std::uint8_t flags = in.byte();
    const std::uint8_t rhythm = in.byte();
    const bool over_socket = (link & 1u) != 0;

    // A new program for every input, started and connected over COM3 or the socket.
    orv::fake::ConnectedRig rig(over_socket, kIdentities[(link >> 1) & 3]);
    auto& s = rig.main.state;
    auto& transport = rig.program.transport;

    rig.serial.box = [&rig](const std::string&) {
        if (!rig.serial.is_open()) fail("written to a closed serial port");
    };
    rig.socket.box = [&rig](const std::string&) {
        if (rig.socket.state() != orv::platform::SocketState::Connected)
            fail("sent on a socket that is not connected");
    };

    if ((flags & 0x80u) != 0) rig.main.read_settings.click();
    s.bootmode = (flags & 0x01u) != 0;
    s.button_flag = (flags & 0x02u) != 0;
    s.do_code = (flags & 0x04u) != 0;
    s.do_firmware = (flags & 0x08u) != 0;
    s.do_orvantis = (flags & 0x10u) != 0;
    static const int kThresholds[4] = {0, 1, 13, 15};
    if (const int t = kThresholds[(flags >> 5) & 3u]; t != 0) transport.set_threshold(t);

    const std::size_t splits = rhythm & 0x0Fu;
    const std::int64_t pause_ms = 250 * static_cast<std::int64_t>(rhythm >> 4);
    std::size_t lengths[16];
    for (std::size_t i = 0; i < splits; ++i) lengths[i] = in.byte();
    const std::string payload(reinterpret_cast<const char*>(data + in.at), in.left());

    std::size_t from = 0;
    for (std::size_t piece = 0; piece <= splits && from <= payload.size(); ++piece) {
        const std::size_t len = piece < splits ? lengths[piece] : payload.size() - from;
        const std::string bytes = payload.substr(from, len);
        from += bytes.size();
        if (bytes.empty() && piece < splits) continue;

        const std::string channel_before = rig.main.channel_box.text();
        // A closed port or socket receives nothing.
        if (over_socket) {
            if (rig.socket.state() != orv::platform::SocketState::Closed) rig.socket.arrive(bytes);
        } else if (rig.serial.is_open()) {
            rig.serial.arrive(bytes);
        }

        const std::string& acc = s.instring;
        if (!acc.empty() && acc.back() == '#') {
            const int t = transport.threshold();
            const bool short_block =
                !s.bootmode && (t == 13 || t == 15) && acc.size() < static_cast<std::size_t>(t);
            if (!short_block)
                fail("the accumulator kept a whole reply",
                     "threshold " + std::to_string(t) + " length " + std::to_string(acc.size()));
        }
        const std::string& channel = rig.main.channel_box.text();
        if (channel != channel_before && !is_channel_number(channel)) fail("channel box", channel);

        if (pause_ms > 0) rig.clock.advance(pause_ms);
    }
    return 0;
}
