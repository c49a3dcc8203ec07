#include "firmware/programmer.h"

#include <algorithm>
#include <vector>

#include "firmware/hex_image.h"
#include "link/protocol.h"
#include "link/transport.h"

namespace orv::firmware {

namespace {

constexpr const char* kStillInBootLoader =
    "The Orvantis is still in its boot loader and can be programmed again: connect, press "
    "BOOT UP, then PROGRAM.";

std::string hex4(std::size_t address) {
    static const char* digits = "0123456789ABCDEF";
    std::string out = "0x";
    for (int shift = 12; shift >= 0; shift -= 4) out += digits[(address >> shift) & 0xF];
    return out;
}

}  // namespace

int readback_timeout_ms(int baud) {
    if (baud <= 0) baud = 9600;
    const double seconds = static_cast<double>(kImageSize) * 10.0 / baud;
    return static_cast<int>(seconds * 1000.0 * 1.5) + 2000;
}

Programmer::Programmer(MainWindow& main, FirmwareWindow& window, link::Transport& transport,
                       link::Receiver& receiver, link::Connection& connection,
                       platform::Timer& timer, platform::Dialogs& dialogs,
                       platform::FileReader& files, const platform::Clock& clock)
    : main_(main),
      s_(main.state),
      window_(window),
      transport_(transport),
      connection_(connection),
      timer_(timer),
      dialogs_(dialogs),
      files_(files),
      clock_(clock),
      lock_(main),
      blocks_(timer, kBlockAckTimeoutMs) {
    blocks_.send = [this](std::size_t block) { send_block(block); };
    blocks_.done = [this] { all_blocks_sent(); };
    blocks_.silent = [this](std::size_t block) {
        stop("The Orvantis stopped answering at block " + std::to_string(block) +
             " of 224 (address " + hex4(block * kBlockSize) + "): programming did not complete. " +
             kStillInBootLoader);
    };
    window_.boot_up.clicked.connect([this] { boot_up(); });
    window_.program_button.clicked.connect([this] { program(); });
    receiver.boot_reply = [this](const std::string& reply) { boot_reply(reply); };
    receiver.after_socket_arrival.connect([this] { socket_arrival(); });
    timer_.on_tick = [this] { timed_out(); };
    main_.link_closed.connect([this] {
        if (running()) link_lost();
        end_boot_wait();
        lock_.unlock();
    });
    // A closed window waits for nothing: a late boot loader reply must not fill the window it
    // opens with next time.
    window_.closed.connect([this] { end_boot_wait(); });
}

void Programmer::end_boot_wait() {
    if (!booting_) return;
    booting_ = false;
    timer_.stop();
}

void Programmer::boot_up() {
    // Without a link nothing changes: no boot mode, no time-out, no lock.
    if (!transport_.link_open()) {
        dialogs_.message(link::kNotConnected, "");
        return;
    }
    if (main_.refuse_while_running("BOOT UP", dialogs_)) return;
    // Another sequence (a settings write) has the link: its commands and acknowledgements
    // must not be interleaved with the boot loader's.
    if (main_.commands_locked && !s_.bootmode) {
        dialogs_.message("BOOT UP needs the link to itself: wait until Write Settings has "
                         "finished, then press BOOT UP again.",
                         "");
        return;
    }
    // The focuser and the shutter stop before the box becomes a boot loader, and nothing else
    // may be sent to it until the link closes.
    main_.stop_runs.fire();
    lock_.lock();
    transport_.set_threshold(link::kEveryByte);
    s_.bootmode = true;
    transport_.send_command(link::kBootUp);
    window_.status_line.set_caption("Please Wait...");
    window_.program_button.set_enabled(false);
    booting_ = true;
    timer_.start(kBootReplyTimeoutMs);
}

void Programmer::boot_reply(const std::string& reply) {
    if (!window_.visible()) return;
    window_.reply_box.set_text(reply);
    if (running()) return;  // a stray "#" in the middle of a run changes nothing
    if (booting_) {
        booting_ = false;
        timer_.stop();
    }
    if (reply.front() == link::kBootNotReady) window_.program_button.set_enabled(false);
    if (reply.front() == link::kBootReady) {
        window_.program_button.set_enabled(true);
        window_.status_line.set_caption("Ready..");
    }
}

void Programmer::set_progress(std::size_t value) {
    window_.progress.set_value(static_cast<int>(std::min<std::size_t>(value, kImageSize - 1)));
}

void Programmer::program() {
    if (running()) return;
    booting_ = false;
    transport_.discard_output();
    for (auto* b :
         {&window_.browse, &window_.boot_up, &window_.program_button, &window_.exit_button})
        b->set_enabled(false);
    window_.status_line.set_caption("Programming");

    std::string error;
    const auto text = files_.read(window_.file_box.text(), error);
    ImageResult built = text ? build_image(*text) : ImageResult{{}, error};
    if (built.ok() &&
        (text->size() != window_.file_size || confirmation_sum(*text) != window_.checksum))
        built = ImageResult{{}, "it has changed since its code was confirmed; load it again."};
    if (!built.ok()) {
        window_.browse.set_enabled(true);
        window_.boot_up.set_enabled(true);
        window_.program_button.set_enabled(true);
        window_.exit_button.set_enabled(true);
        window_.status_line.set_caption("Not programmed");
        dialogs_.message("The firmware file " + window_.file_box.text() + " cannot be used: " +
                             built.problem + "\rNothing was sent to the Orvantis.",
                         "");
        return;
    }
    image_ = built.image;
    window_.progress.set_range(0, static_cast<int>(kImageSize - 1));
    window_.progress.set_value(0);

    transport_.discard_output();
    transport_.set_threshold(link::kProgrammingThreshold);
    over_socket_ = transport_.socket_connected();
    if (!over_socket_ && !transport_.serial_open()) {
        stop(link::kNotConnected);
        return;
    }
    if (!over_socket_) transport_.own_serial([this] { serial_arrival(); });
    phase_ = Phase::Blocks;
    blocks_.start(kImageSize / kBlockSize);
}

void Programmer::send_block(std::size_t block) {
    s_.ack_rx = false;
    const auto* first = reinterpret_cast<const char*>(image_.data()) + block * kBlockSize;
    transport_.send_command(std::string_view(first, kBlockSize));
    set_progress((block + 1) * kBlockSize);  // after the block: drawing must not delay it
}

void Programmer::serial_arrival() {
    if (phase_ == Phase::ReadBack) {
        read_back_arrived();
        return;
    }
    if (phase_ != Phase::Blocks || transport_.in_count() == 0) return;
    transport_.read_serial();
    blocks_.acknowledged();
}

void Programmer::socket_arrival() {
    if (phase_ != Phase::Blocks || !over_socket_ || !s_.ack_rx) return;
    s_.ack_rx = false;
    blocks_.acknowledged();
}

void Programmer::all_blocks_sent() {
    if (over_socket_) {
        // Nothing can be read back through the gateway: close the boot loader instead.
        transport_.read_socket();
        transport_.send_socket(link::kCloseBootLoader);
        transport_.send_socket(link::kCloseBootLoader);
        finish(true, "Done!");
        return;
    }
    phase_ = Phase::ReadBack;
    window_.status_line.set_caption("Verifying");
    window_.progress.set_value(200);
    const auto line = link::parse_line_settings(transport_.line_settings());
    readback_deadline_ = clock_.now_ms() + readback_timeout_ms(line ? line->baud : 9600);
    timer_.start(kBlockAckTimeoutMs);
    readback_.clear();
    readback_.reserve(kImageSize);
    transport_.write_serial(link::kReadBack);
}

void Programmer::read_back_arrived() {
    // Taken off the port as it comes: left there, 28 KB of small arrivals would be freed in one
    // go at the end, which holds the window up for several milliseconds.
    readback_ += transport_.read_serial();
    if (readback_.size() < kImageSize) {
        const std::size_t got = readback_.size();
        if (static_cast<int>(got) > window_.progress.value()) set_progress(got + 200);
        // Bytes are still coming: the box gets its next few seconds, up to the whole limit.
        const std::int64_t left = readback_deadline_ - clock_.now_ms();
        if (left > 0) timer_.start(static_cast<int>(std::min<std::int64_t>(left, kBlockAckTimeoutMs)));
        return;
    }
    timer_.stop();
    verify(readback_);
}

void Programmer::verify(const std::string& read_back) {
    std::size_t differing = 0;
    std::vector<std::size_t> shown;  // the first few addresses that differ
    for (std::size_t i = 0; i < kImageSize; ++i) {
        if (static_cast<std::uint8_t>(read_back[i]) == image_[i]) continue;
        ++differing;
        if (shown.size() < static_cast<std::size_t>(kMaxVerifyMessages)) shown.push_back(i);
    }
    if (differing == 0) {
        finish(true, "Done!");
        return;
    }
    // The run is over before the first message opens: whatever arrives while one is open
    // starts nothing again.
    finish(false, "Verify failed - not programmed");
    for (const std::size_t address : shown)
        dialogs_.message("Verify Error - Address: " + std::to_string(address), "");
    dialogs_.message(std::to_string(differing) + " of " + std::to_string(kImageSize) +
                         " bytes read back from the Orvantis differ from the firmware file, so "
                         "programming did not succeed. " +
                         kStillInBootLoader,
                     "");
}

void Programmer::finish(bool succeeded, const std::string& status) {
    phase_ = Phase::Idle;
    blocks_.stop();
    timer_.stop();
    if (transport_.serial_owned()) transport_.release_serial();
    transport_.set_threshold(link::kEveryByte);
    window_.status_line.set_caption(status);
    window_.browse.set_enabled(true);
    window_.boot_up.set_enabled(!succeeded);
    window_.program_button.set_enabled(false);
    window_.exit_button.set_enabled(true);
    if (!over_socket_) transport_.discard_input();
    close_link();
    if (succeeded) dialogs_.message(kCompleted, "");
}

void Programmer::close_link() {
    // The main window's CONNECT / DISCONNECT, once: with the link still up it disconnects.
    if (connection_.link_up()) connection_.connect_or_disconnect();
}

void Programmer::timed_out() {
    timer_.stop();
    if (booting_ && phase_ == Phase::Idle) {
        booting_ = false;
        window_.status_line.set_caption("No answer from the boot loader");
        dialogs_.message("The Orvantis did not answer BOOT UP within " +
                             std::to_string(kBootReplyTimeoutMs / 1000) +
                             " seconds, so its boot loader has not started. Check the connection "
                             "and the power, then press BOOT UP again.",
                         "");
        return;
    }
    if (phase_ == Phase::Blocks) {
        blocks_.timed_out();
    } else if (phase_ == Phase::ReadBack) {
        readback_ += transport_.read_serial();
        const std::size_t got = readback_.size();
        stop("The Orvantis stopped sending its memory back at address " + hex4(got) + " (" +
             std::to_string(got) + " of " + std::to_string(kImageSize) +
             " bytes), so the firmware could not be verified. " + kStillInBootLoader);
    }
}

void Programmer::link_lost() {
    const std::size_t at = blocks_.current();
    const bool verifying = phase_ == Phase::ReadBack;
    stop(verifying ? std::string("The link was lost while the firmware was being verified. ") +
                         kStillInBootLoader
                   : "The link was lost at block " + std::to_string(at) +
                         " of 224: programming did not complete. " + kStillInBootLoader);
}

void Programmer::abandon() {
    if (running()) finish(false, "Not programmed");
}

void Programmer::stop(const std::string& message) {
    finish(false, "Not programmed");
    dialogs_.message(message, "");
}

}  // namespace orv::firmware
