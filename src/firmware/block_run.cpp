#include "firmware/block_run.h"

#include <algorithm>

#include "firmware/hex_image.h"
#include "link/protocol.h"

namespace orv::firmware {

int readback_timeout_ms(int baud) {
    if (baud <= 0) baud = 9600;
    const double seconds = static_cast<double>(kImageSize) * 10.0 / baud;
    return static_cast<int>(seconds * 1000.0 * 1.5) + 2000;
}

BlockRun::BlockRun(platform::Timer& timer, const platform::Clock& clock)
    : timer_(timer), clock_(clock), blocks_(timer, kBlockAckTimeoutMs) {
    blocks_.send = [this](std::size_t block) { send_block(block); };
    blocks_.done = [this] { all_blocks_sent(); };
    blocks_.silent = [this](std::size_t block) {
        Result r;
        r.end = Result::End::Silent;
        r.block = block;
        end(std::move(r));
    };
}

void BlockRun::start(std::vector<std::uint8_t> image, bool read_back, int baud) {
    if (running() || image.size() != kImageSize) return;
    image_ = std::move(image);
    read_back_ = read_back;
    baud_ = baud;
    readback_.clear();
    state_ = State::Blocks;
    blocks_.start(kImageSize / kBlockSize);
}

void BlockRun::send_block(std::size_t block) {
    const auto* first = reinterpret_cast<const char*>(image_.data()) + block * kBlockSize;
    out(std::string_view(first, kBlockSize));
    if (sent) sent((block + 1) * kBlockSize);  // after the block: drawing must not delay it
}

void BlockRun::feed(std::string_view bytes) {
    if (bytes.empty()) return;
    if (state_ == State::Blocks) {
        blocks_.acknowledged();
        return;
    }
    if (state_ != State::ReadBack) return;
    readback_.append(bytes);
    if (readback_.size() < kImageSize) {
        if (read) read(readback_.size());
        // Bytes are still coming: the box gets its next few seconds, up to the whole limit.
        const std::int64_t left = readback_deadline_ - clock_.now_ms();
        if (left > 0)
            timer_.start(static_cast<int>(std::min<std::int64_t>(left, kBlockAckTimeoutMs)));
        return;
    }
    verify();
}

void BlockRun::all_blocks_sent() {
    if (blocks_done) blocks_done();
    if (!read_back_) {
        // Nothing can be read back through the gateway: close the boot loader instead.
        out(link::kCloseBootLoader);
        out(link::kCloseBootLoader);
        end({});
        return;
    }
    state_ = State::ReadBack;
    readback_deadline_ = clock_.now_ms() + readback_timeout_ms(baud_);
    readback_.reserve(kImageSize);
    timer_.start(kBlockAckTimeoutMs);
    out(link::kReadBack);
}

void BlockRun::verify() {
    Result r;
    for (std::size_t i = 0; i < kImageSize; ++i) {
        if (static_cast<std::uint8_t>(readback_[i]) == image_[i]) continue;
        ++r.differing;
        if (r.shown.size() < static_cast<std::size_t>(kMaxVerifyMessages)) r.shown.push_back(i);
    }
    if (r.differing != 0) r.end = Result::End::Differs;
    end(std::move(r));
}

void BlockRun::tick() {
    if (state_ == State::Blocks) {
        blocks_.timed_out();
    } else if (state_ == State::ReadBack) {
        Result r;
        r.end = Result::End::ReadBackStopped;
        r.got = readback_.size();
        end(std::move(r));
    }
}

void BlockRun::stop() {
    blocks_.stop();  // which stops the timer the blocks and the read-back share
    state_ = State::Idle;
}

void BlockRun::end(Result result) {
    // Over before the owner hears of it: whatever arrives while its message is open starts
    // nothing again.
    stop();
    if (ended) ended(result);
}

}  // namespace orv::firmware
