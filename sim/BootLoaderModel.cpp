#include "sim/BootLoaderModel.h"

#include <algorithm>
#include <cstdio>

#include "sim/Pic18.h"

namespace korv::sim {

namespace {
constexpr std::array<uint8_t, 8> kPreamble = {0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B, 0x5C};
constexpr char kKey[9] = "trebolux";
uint8_t rotateRight(uint8_t v) { return static_cast<uint8_t>((v >> 1) | (v << 7)); }
} // namespace

const char* loaderStateName(LoaderState s)
{
    switch (s) {
    case LoaderState::Off: return "off";
    case LoaderState::Preamble: return "preamble";
    case LoaderState::HandOver: return "hand-over";
    case LoaderState::Ready: return "ready";
    case LoaderState::Receiving: return "receiving";
    case LoaderState::Done: return "done";
    }
    return "?";
}

BootLoaderModel::BootLoaderModel(Pic18& chip) : chip_(chip) { events_.reserve(4096); }

uint32_t BootLoaderModel::firstAddress() const { return 2u * chip_.info().bootWords; }
uint32_t BootLoaderModel::endAddress() const { return chip_.info().flashBytes; }
uint32_t BootLoaderModel::blockBytes() const { return chip_.info().loaderBlockBytes; }
uint64_t BootLoaderModel::blockTimeNs() const
{
    if (faults_.blockTimeNs)
        return faults_.blockTimeNs;
    // Self-write of one block (with the row erase it needs): the 2XXX loader
    // erases and writes 64 bytes, the FXX2 loader writes 8.
    return chip_.info().fxx2 ? 2 * 1000 * 1000 : 3 * 1000 * 1000;
}

bool BootLoaderModel::installed() const
{
    switch (faults_.presence) {
    case LoaderPresence::Absent: return false;
    case LoaderPresence::Present: return true;
    case LoaderPresence::Auto: break;
    }
    const ChipType t = chip_.type();
    if (t != ChipType::PIC18F4620 && t != ChipType::PIC18F452)
        return false;
    // Erased flash has no loader; whatever the boot area holds otherwise is
    // taken to be the loader.
    auto* self = const_cast<BootLoaderModel*>(this);
    auto flash = self->chip_.flash();
    const uint32_t n = std::min<uint32_t>(firstAddress(), static_cast<uint32_t>(flash.size()));
    return std::any_of(flash.begin(), flash.begin() + n, [](uint8_t b) { return b != 0xFF; });
}

void BootLoaderModel::event(uint64_t t, LoaderEvent::Kind kind, uint32_t value)
{
    if (kind == LoaderEvent::MissedBit)
        ++missedBits_;
    if (events_.size() < kMaxEvents)
        events_.push_back(LoaderEvent{t, kind, value});
}

std::string BootLoaderModel::eventText() const
{
    std::string out;
    char line[128];
    for (const auto& e : events_) {
        const double ms = static_cast<double>(e.timeNs) / 1e6;
        switch (e.kind) {
        case LoaderEvent::Start: std::snprintf(line, sizeof line, "%12.6f ms  loader started\n", ms); break;
        case LoaderEvent::Application:
            std::snprintf(line, sizeof line, "%12.6f ms  application runs (no loader entry)\n", ms);
            break;
        case LoaderEvent::PreambleOk: std::snprintf(line, sizeof line, "%12.6f ms  preamble received\n", ms); break;
        case LoaderEvent::ReadySignal:
            std::snprintf(line, sizeof line, "%12.6f ms  ready (PGD low) after %u blocks\n", ms, e.value);
            break;
        case LoaderEvent::Block:
            std::snprintf(line, sizeof line, "%12.6f ms  block 0x%06X programmed\n", ms, e.value);
            break;
        case LoaderEvent::Checksum:
            std::snprintf(line, sizeof line, "%12.6f ms  checksum 0x%04X stored at 200000h\n", ms, e.value);
            break;
        case LoaderEvent::MissedBit:
            std::snprintf(line, sizeof line, "%12.6f ms  PGC pulse of %u ns missed\n", ms, e.value);
            break;
        }
        out += line;
    }
    return out;
}

void BootLoaderModel::reset(uint64_t t, bool pgc, bool pgdLine)
{
    readyDrive_ = false;
    if (!installed()) {
        state_ = LoaderState::Off;
        return;
    }
    if (pgc || pgdLine) {
        state_ = LoaderState::Off;
        event(t, LoaderEvent::Application, 0);
        return;
    }
    ++starts_;
    state_ = LoaderState::Preamble;
    shift_ = 0;
    bitCount_ = 0;
    window_.fill(0);
    windowFill_ = 0;
    for (unsigned i = 0; i < 8; ++i)
        key_[i] = static_cast<uint8_t>(kKey[i]);
    blockFill_ = 0;
    address_ = firstAddress();
    blocks_ = 0;
    evenSum_ = oddSum_ = 0;
    busyUntil_ = t;
    finished_ = false;
    event(t, LoaderEvent::Start, 0);
}

void BootLoaderModel::onPins(uint64_t t, bool vpp, bool pgc, bool pgdLine)
{
    if (vpp != lastVpp_) {
        lastVpp_ = vpp;
        if (vpp) {
            // Programming voltage: the chip is held in ICSP, firmware stops.
            state_ = LoaderState::Off;
            readyDrive_ = false;
        } else {
            reset(t, pgc, pgdLine);
        }
    }
    const bool rising = pgc && !lastPgc_;
    const bool falling = !pgc && lastPgc_;
    lastPgc_ = pgc;
    if (vpp)
        return;

    switch (state_) {
    case LoaderState::Off:
    case LoaderState::Done:
        return;
    case LoaderState::Preamble:
    case LoaderState::Receiving:
        if (rising) {
            riseAt_ = t;
            riseBit_ = pgdLine;
        } else if (falling) {
            if (t - riseAt_ < faults_.minPulseNs) {
                event(t, LoaderEvent::MissedBit, static_cast<uint32_t>(t - riseAt_));
                return;
            }
            bit(t, riseBit_);
        }
        return;
    case LoaderState::HandOver:
        if (pgc && pgdLine) {
            const bool allowed =
                !faults_.neverReady && (faults_.stopAfterBlock < 0 || int64_t(blocks_) <= faults_.stopAfterBlock);
            if (allowed) {
                state_ = LoaderState::Ready;
                readyDrive_ = true;
                readyAt_ = std::max(t, busyUntil_);
                event(readyAt_, LoaderEvent::ReadySignal, blocks_);
            }
        }
        return;
    case LoaderState::Ready:
        if (falling) {
            readyDrive_ = false;
            state_ = finished_ ? LoaderState::Done : LoaderState::Receiving;
            blockFill_ = 0;
            shift_ = 0;
            bitCount_ = 0;
        }
        return;
    }
}

void BootLoaderModel::bit(uint64_t t, bool value)
{
    shift_ = static_cast<uint8_t>((shift_ >> 1) | (value ? 0x80 : 0));
    if (++bitCount_ == 8) {
        bitCount_ = 0;
        byte(t, shift_);
        shift_ = 0;
    }
}

void BootLoaderModel::byte(uint64_t t, uint8_t b)
{
    ++bytesTotal_;
    if (state_ == LoaderState::Preamble) {
        std::rotate(window_.begin(), window_.begin() + 1, window_.end());
        window_[7] = b;
        ++windowFill_;
        if (windowFill_ >= 8 && window_ == kPreamble) {
            state_ = LoaderState::HandOver;
            event(t, LoaderEvent::PreambleOk, 0);
        }
        return;
    }
    block_[blockFill_++] = b;
    if (blockFill_ == blockBytes())
        blockComplete(t);
}

void BootLoaderModel::blockComplete(uint64_t t)
{
    const uint32_t n = blockBytes();
    auto flash = chip_.flash();
    // Undo the transfer scrambling: the key index is the byte address modulo
    // 8; a group of four bytes that arrives all FFh was blank and sent plain,
    // and only a key byte that was used is rotated.
    for (uint32_t g = 0; g < n; g += 4) {
        const bool blank = block_[g] == 0xFF && block_[g + 1] == 0xFF && block_[g + 2] == 0xFF && block_[g + 3] == 0xFF;
        for (uint32_t k = 0; k < 4; ++k) {
            const uint32_t p = address_ + g + k;
            uint8_t v = block_[g + k];
            if (!blank) {
                uint8_t& key = key_[p % 8];
                v ^= key;
                key = rotateRight(key);
            }
            block_[g + k] = v;
            if (p % 2 == 0)
                evenSum_ = static_cast<uint8_t>(evenSum_ + v);
            else
                oddSum_ = static_cast<uint8_t>(oddSum_ + v);
        }
    }
    if (address_ + n <= flash.size()) {
        const uint32_t row = chip_.info().eraseRowBytes;
        if (address_ % row == 0)
            std::fill_n(flash.begin() + address_, row, 0xFF);
        for (uint32_t i = 0; i < n; ++i)
            flash[address_ + i] &= block_[i];
    }
    event(t, LoaderEvent::Block, address_);
    address_ += n;
    ++blocks_;
    busyUntil_ = t + blockTimeNs();
    blockFill_ = 0;
    if (address_ >= endAddress()) {
        uint8_t even = evenSum_, odd = oddSum_;
        if (faults_.wrongChecksum) {
            even = static_cast<uint8_t>(even + 1);
            odd = static_cast<uint8_t>(odd + 1);
        }
        auto id = chip_.idLocations();
        id[0] = even;
        id[1] = odd;
        finished_ = true;
        event(t, LoaderEvent::Checksum, static_cast<uint32_t>(odd << 8 | even));
    }
    state_ = LoaderState::HandOver;
}

} // namespace korv::sim
