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
// Checked after every piece, besides the sanitizers: every byte the receiver is handed joins the
// accumulator, and the reply it completes (a final "#") leaves it empty, unless it is a settings
// block still short (the socket may split a block at a data byte 0x23); a reply taken for the
// RF channel, with nothing else awaited, puts its first byte's value in the channel box, and
// nothing else changes that box; nothing is written to a closed serial port or sent on a socket
// that is not connected.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>  // before the fakes, which use std::exchange

#include "fakes/rig.h"
#include "fuzz/check.h"

namespace {

const char* const kIdentities[4] = {"11.1#", "1.20#", "2.20#", "9.99#"};
using orv::platform::SocketState;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::size_t at = 0;
    const auto byte = [&] { return at < size ? data[at++] : std::uint8_t{0}; };
    const std::uint8_t link = byte(), flags = byte(), rhythm = byte();
    const bool over_socket = (link & 1u) != 0;

    // A new program for every input, started and connected over COM3 or the socket.
    orv::fake::ConnectedRig rig(over_socket, kIdentities[(link >> 1) & 3]);
    auto& s = rig.main.state;
    auto& transport = rig.program.transport;
    std::string read;  // what the transport has handed on from the box
    transport.on_traffic = [&read, log = transport.on_traffic](orv::link::Flow f, auto b) {
        if (f == orv::link::Flow::Received) read += b;
        if (log) log(f, b);
    };
    rig.serial.box = [&rig](const std::string&) { FUZZ_CHECK(rig.serial.is_open()); };
    rig.socket.box = [&rig](const std::string&) {
        FUZZ_CHECK(rig.socket.state() == SocketState::Connected);
    };

    if ((flags & 0x80u) != 0) rig.main.read_settings.click();
    bool* const awaited[] = {&s.bootmode, &s.button_flag, &s.do_code, &s.do_firmware,
                             &s.do_orvantis};
    for (int bit = 0; bit < 5; ++bit) *awaited[bit] = (flags >> bit & 1u) != 0;
    static const int kThresholds[4] = {0, 1, 13, 15};
    if (const int t = kThresholds[(flags >> 5) & 3u]; t != 0) transport.set_threshold(t);

    const std::size_t splits = rhythm & 0x0Fu;
    std::size_t lengths[16];
    for (std::size_t i = 0; i < splits; ++i) lengths[i] = byte();
    const std::string payload(reinterpret_cast<const char*>(data + at), size - at);
    for (std::size_t piece = 0, from = 0; piece <= splits && from <= payload.size(); ++piece) {
        const std::string bytes = payload.substr(from, piece < splits ? lengths[piece] : size);
        from += bytes.size();
        if (bytes.empty() && piece < splits) continue;

        const std::string before = s.instring, channel = rig.main.channel_box.text();
        const auto t = static_cast<std::size_t>(transport.threshold());
        const bool block = !s.bootmode && (t == 13 || t == 15);
        const bool to_channel = !s.bootmode && !block && !s.do_code && !s.do_firmware &&
                                !s.do_orvantis && !s.button_flag;
        read.clear();
        if (over_socket && rig.socket.state() != SocketState::Closed) rig.socket.arrive(bytes);
        if (!over_socket && rig.serial.is_open()) rig.serial.arrive(bytes);

        std::string kept = before + read;
        if (kept.size() > orv::link::kMaxReplyLength)
            kept.erase(0, kept.size() - orv::link::kMaxReplyLength);
        const bool whole = !kept.empty() && kept.back() == '#';
        FUZZ_CHECK(s.instring == (whole ? "" : kept) ||
                   (whole && block && kept.size() < t && s.instring == kept));
        FUZZ_CHECK(
            rig.main.channel_box.text() ==
            (whole && to_channel ? std::to_string(static_cast<unsigned char>(kept[0])) : channel));
        rig.clock.advance(250 * (rhythm >> 4));
    }
    return 0;
}
