#include "firmware/programmer.h"

#include <algorithm>
#include <vector>

#include "firmware/hex_image.h"
#include "link/protocol.h"
#include "link/transport.h"

namespace orv::firmware {

namespace {

// The link is still open to the boot loader, which starts again on "ROB#".
constexpr const char* kStillInBootLoader =
    "The Orvantis is still in its boot loader and can be programmed again: press BOOT UP, then "
    "PROGRAM.";
// The link is gone: a box in its boot loader does not answer CONNECT's questions, so it has
// to be switched off and on first.
constexpr const char* kLostInBootLoader =
    "The Orvantis stays in its boot loader: switch it off and on again, press CONNECT, then "
    "BOOT UP and PROGRAM in this window.";

std::string hex4(std::size_t address) {
    static const char* digits = "0123456789ABCDEF";
    std::string out = "0x";
    for (int shift = 12; shift >= 0; shift -= 4) out += digits[(address >> shift) & 0xF];
    return out;
}

}  // namespace

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
      lock_(main),
      run_(timer, clock) {
    run_.out = [this](std::string_view bytes) {
        if (over_socket_) {
            transport_.send_socket(bytes);
        } else {
            transport_.write_serial(bytes);
        }
    };
    run_.sent = [this](std::size_t bytes) { set_progress(bytes); };
    run_.read = [this](std::size_t bytes) {
        if (static_cast<int>(bytes) > window_.progress.value()) set_progress(bytes + 200);
    };
    run_.blocks_done = [this] { blocks_sent(); };
    run_.ended = [this](const BlockRun::Result& r) { ended(r); };
    window_.boot_up.clicked.connect([this] { boot_up(); });
    window_.program_button.clicked.connect([this] { program(); });
    receiver.boot_reply = [this](const std::string& reply) { boot_reply(reply); };
    receiver.after_socket_arrival.connect([this](const std::string& bytes) {
        if (over_socket_) run_.feed(bytes);
    });
    timer_.on_tick = [this] { timed_out(); };
    main_.link_changed.connect([this] {
        if (!running()) window_.offer_boot_up(s_.link);
    });
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
    if (booting()) timer_.stop();
}

void Programmer::boot_up() {
    // Without a link to the box nothing changes: no boot mode, no time-out, no lock.
    if (s_.link != LinkState::Identified && s_.link != LinkState::BootLoader) {
        dialogs_.message(link::kNotConnected, "");
        return;
    }
    if (main_.refuse_while_running("BOOT UP", dialogs_)) return;
    // Another sequence (a settings write) has the link: its commands and acknowledgements
    // must not be interleaved with the boot loader's.
    if (!lock_.held() && main_.commands_locked) {
        dialogs_.message(
            "BOOT UP needs the link to itself: wait until Read Settings or Write "
            "Settings has finished, then press BOOT UP again.",
            "");
        return;
    }
    // The focuser and the shutter stop before the box becomes a boot loader, and nothing else
    // may be sent to it until the link closes.
    main_.stop_runs.fire();
    lock_.lock();
    transport_.set_threshold(link::kEveryByte);
    s_.bootmode = true;
    connection_.boot_loader();
    transport_.send_command(link::kBootUp);
    window_.status_line.set_caption("Please Wait...");
    window_.program_button.set_enabled(false);
    timer_.start(kBootReplyTimeoutMs);
}

void Programmer::boot_reply(const std::string& reply) {
    if (!window_.visible()) return;
    window_.reply_box.set_text(reply);
    if (running()) return;  // a stray "#" in the middle of a run changes nothing
    end_boot_wait();
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
    for (auto* b :
         {&window_.browse, &window_.boot_up, &window_.program_button, &window_.exit_button})
        b->set_enabled(false);
    window_.status_line.set_caption("Programming");

    std::string error;
    const auto text = files_.read(window_.file_box.text(), error);
    ImageResult built = text ? build_image(*text) : ImageResult{{}, error};
    // Any change counts, also one that keeps the confirmation code (a byte and its record's
    // checksum changed together).
    if (built.ok() && *text != window_.file_text)
        built = ImageResult{{}, "it has changed since its code was confirmed; load it again."};
    if (!built.ok()) {
        window_.browse.set_enabled(true);
        window_.offer_boot_up(s_.link);
        window_.program_button.set_enabled(true);
        window_.exit_button.set_enabled(true);
        window_.status_line.set_caption("Not programmed");
        dialogs_.message("The firmware file " + window_.file_box.text() + " cannot be used: " +
                             built.problem + "\rNothing was sent to the Orvantis.",
                         "");
        return;
    }
    window_.progress.set_range(0, static_cast<int>(kImageSize - 1));
    window_.progress.set_value(0);

    transport_.discard_output();
    transport_.set_threshold(link::kProgrammingThreshold);
    over_socket_ = transport_.socket_connected();
    if (!over_socket_ && !transport_.serial_open()) {
        stop(link::kNotConnected);
        return;
    }
    if (!over_socket_) transport_.own_serial([this] { run_.feed(transport_.read_serial()); });
    const auto line = link::parse_line_settings(transport_.line_settings());
    run_.start(std::move(built.image), !over_socket_, line ? line->baud : 9600);
}

void Programmer::blocks_sent() {
    if (over_socket_) {
        transport_.read_socket();  // whatever the gateway still holds is not an answer
        return;
    }
    window_.status_line.set_caption("Verifying");
    window_.progress.set_value(200);
}

void Programmer::ended(const BlockRun::Result& r) {
    using End = BlockRun::Result::End;
    switch (r.end) {
        case End::Done:
            finish(true, "Done!");
            return;
        case End::Silent:
            stop("The Orvantis stopped answering at block " + std::to_string(r.block) +
                 " of 224 (address " + hex4(r.block * kBlockSize) +
                 "): programming did not complete. " + kStillInBootLoader);
            return;
        case End::ReadBackStopped:
            stop("The Orvantis stopped sending its memory back at address " + hex4(r.got) + " (" +
                 std::to_string(r.got) + " of " + std::to_string(kImageSize) +
                 " bytes), so the firmware could not be verified. " + kStillInBootLoader);
            return;
        case End::Differs:
            break;
    }
    // The run is over before the first message opens: whatever arrives while one is open
    // starts nothing again.
    finish(false, "Verify failed - not programmed");
    for (const std::size_t address : r.shown)
        dialogs_.message("Verify Error - Address: " + std::to_string(address), "");
    dialogs_.message(std::to_string(r.differing) + " of " + std::to_string(kImageSize) +
                         " bytes read back from the Orvantis differ from the firmware file, so "
                         "programming did not succeed. " +
                         kStillInBootLoader,
                     "");
}

void Programmer::finish(bool succeeded, const std::string& status) {
    run_.stop();
    if (transport_.serial_owned()) transport_.release_serial();
    transport_.set_threshold(link::kEveryByte);
    window_.status_line.set_caption(status);
    window_.browse.set_enabled(true);
    window_.exit_button.set_enabled(true);  // PROGRAM stays off from its press until BOOT UP
    transport_.discard_input();
    if (succeeded) {
        close_link();  // which takes BOOT UP away with the link
        dialogs_.message(kCompleted, "");
        return;
    }
    // A run that did not finish leaves the link open to the boot loader, which can be started
    // again at once with BOOT UP (unless the link itself was lost).
    window_.offer_boot_up(s_.link);
}

void Programmer::close_link() {
    // The main window's CONNECT / DISCONNECT, once: with the link still up it disconnects.
    if (connection_.link_up()) connection_.connect_or_disconnect();
}

void Programmer::timed_out() {
    if (run_.running()) {
        // Bytes that came in with the tick are the box's last word before it is judged.
        if (run_.state() == BlockRun::State::ReadBack && !over_socket_)
            run_.feed(transport_.read_serial());
        run_.tick();
        return;
    }
    // Between runs the timer runs only while BOOT UP waits for its answer.
    timer_.stop();
    window_.status_line.set_caption("No answer from the boot loader");
    dialogs_.message("The Orvantis did not answer BOOT UP within " +
                         std::to_string(kBootReplyTimeoutMs / 1000) +
                         " seconds, so its boot loader has not started. Check the connection "
                         "and the power, then press BOOT UP again.",
                     "");
}

void Programmer::link_lost() {
    const std::size_t at = run_.block();
    const bool verifying = run_.state() == BlockRun::State::ReadBack;
    stop(verifying ? std::string("The link was lost while the firmware was being verified. ") +
                         kLostInBootLoader
                   : "The link was lost at block " + std::to_string(at) +
                         " of 224: programming did not complete. " + kLostInBootLoader);
}

void Programmer::abandon() {
    if (running()) finish(false, "Not programmed");
}

void Programmer::stop(const std::string& message) {
    finish(false, "Not programmed");
    dialogs_.message(message, "");
}

}  // namespace orv::firmware
