#include "hw/D2XXUnit.h"

#include <chrono>
#include <cstring>

namespace korv {
namespace {

// libftdi's "USB device unavailable".
constexpr int kFtdiUnavailable = -666;

FT_STATUS StatusForIo(int error)
{
    return error == kFtdiUnavailable ? FT_INVALID_HANDLE : FT_IO_ERROR;
}

} // namespace

D2XXUnit::D2XXUnit(FtdiLib& lib, TickSource& ticks)
    : lib_(lib), ticks_(ticks), ring_(new uint8_t[kQueueBytes])
{
}

D2XXUnit::~D2XXUnit()
{
    if (open_) lib_.Close();
    delete[] ring_;
}

void D2XXUnit::Push(const uint8_t* p, uint32_t n)
{
    for (uint32_t i = 0; i < n && count_ < kQueueBytes; ++i) {
        ring_[(head_ + count_) % kQueueBytes] = p[i];
        ++count_;
    }
}

uint32_t D2XXUnit::Pop(uint8_t* p, uint32_t n)
{
    uint32_t k = n < count_ ? n : count_;
    for (uint32_t i = 0; i < k; ++i) {
        p[i] = ring_[head_];
        head_ = (head_ + 1) % kQueueBytes;
    }
    count_ -= k;
    return k;
}

bool D2XXUnit::Drain(int* error)
{
    if (outstanding_ == 0) return true;
    uint32_t room = kQueueBytes - count_;
    uint32_t want = outstanding_ < kFifoBytes ? outstanding_ : kFifoBytes;
    if (want > room) want = room;
    if (want == 0) return true;  // queue full: the host has to read first
    int r = lib_.Read(chunk_, static_cast<int>(want));
    if (r < 0) {
        *error = r;
        return false;
    }
    uint32_t got = static_cast<uint32_t>(r) > want ? want : static_cast<uint32_t>(r);
    Push(chunk_, got);
    outstanding_ -= got;
    return true;
}

FT_STATUS D2XXUnit::FT_ListDevices(void* arg1, void* arg2, uint32_t flags)
{
    if (flags == FT_LIST_NUMBER_ONLY) {
        if (!arg1) return FT_INVALID_PARAMETER;
        int n = lib_.Enumerate();
        if (n < 0) return n == -3 ? FT_INSUFFICIENT_RESOURCES : FT_OTHER_ERROR;
        *static_cast<uint32_t*>(arg1) = static_cast<uint32_t>(n);
        return FT_OK;
    }
    if (flags == (FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION)) {
        if (!arg2) return FT_INVALID_PARAMETER;
        char* out = static_cast<char*>(arg2);
        std::memset(out, 0, kDescriptionBytes);
        auto index = static_cast<int>(reinterpret_cast<uintptr_t>(arg1));
        int n = lib_.Enumerate();
        if (n < 0) return n == -3 ? FT_INSUFFICIENT_RESOURCES : FT_OTHER_ERROR;
        if (index < 0 || index >= n) return FT_DEVICE_NOT_FOUND;
        // A device whose strings cannot be read stays in the list, nameless.
        if (lib_.Description(index, out, kDescriptionBytes) < 0) std::memset(out, 0, kDescriptionBytes);
        out[kDescriptionBytes - 1] = 0;
        return FT_OK;
    }
    return FT_INVALID_PARAMETER;
}

FT_STATUS D2XXUnit::FT_OpenEx(void* arg, uint32_t flags, FT_HANDLE* handle)
{
    if (!arg || !handle || flags != FT_OPEN_BY_DESCRIPTION) return FT_INVALID_PARAMETER;
    *handle = nullptr;
    if (open_) return FT_DEVICE_NOT_OPENED;  // one adapter per run
    const char* wanted = static_cast<const char*>(arg);
    int n = lib_.Enumerate();
    if (n < 0) return n == -3 ? FT_INSUFFICIENT_RESOURCES : FT_OTHER_ERROR;
    char desc[kDescriptionBytes];
    for (int i = 0; i < n; ++i) {
        if (lib_.Description(i, desc, kDescriptionBytes) < 0) continue;
        desc[kDescriptionBytes - 1] = 0;
        if (std::strcmp(desc, wanted) != 0) continue;
        if (lib_.Open(i) < 0) return FT_DEVICE_NOT_OPENED;
        open_ = true;
        bitbang_ = false;
        outstanding_ = 0;
        idle_ = false;
        head_ = count_ = 0;
        lib_.SetTimeouts(static_cast<int>(readTimeoutMs_), static_cast<int>(writeTimeoutMs_));
        *handle = Token();
        return FT_OK;
    }
    return FT_DEVICE_NOT_FOUND;
}

FT_STATUS D2XXUnit::FT_SetBitMode(FT_HANDLE handle, uint8_t mask, uint8_t mode)
{
    if (!Valid(handle)) return FT_INVALID_HANDLE;
    // A device left in another mode by an earlier program would otherwise
    // keep it: reset first, then the requested mode.
    if (lib_.SetBitmode(0x00, FT_BITMODE_RESET) < 0) return FT_IO_ERROR;
    bitbang_ = false;
    if (mode == FT_BITMODE_RESET) return FT_OK;
    int r = lib_.SetBitmode(mask, mode);
    if (r < 0) return StatusForIo(r);
    bitbang_ = true;
    return FT_OK;
}

FT_STATUS D2XXUnit::FT_SetLatencyTimer(FT_HANDLE handle, uint8_t ms)
{
    if (!Valid(handle)) return FT_INVALID_HANDLE;
    if (ms == 0) return FT_INVALID_PARAMETER;
    int r = lib_.SetLatencyTimer(ms);
    return r < 0 ? StatusForIo(r) : FT_OK;
}

FT_STATUS D2XXUnit::FT_SetTimeouts(FT_HANDLE handle, uint32_t readMs, uint32_t writeMs)
{
    if (!Valid(handle)) return FT_INVALID_HANDLE;
    readTimeoutMs_ = readMs;
    writeTimeoutMs_ = writeMs;
    lib_.SetTimeouts(static_cast<int>(readMs), static_cast<int>(writeMs));
    return FT_OK;
}

// D2XX programs the divisor of the requested rate, and in bit-bang mode the
// pins change at 16 times that rate (153600 -> 2.4576 M pin bytes/s).
// libftdi multiplies the requested rate by 4 while bit-bang is enabled before
// it computes the divisor, so it is handed a quarter of the D2XX value to
// program the same divisor: 153600 goes to libftdi as 38400.
FT_STATUS D2XXUnit::FT_SetBaudRate(FT_HANDLE handle, uint32_t baud)
{
    if (!Valid(handle)) return FT_INVALID_HANDLE;
    uint32_t value = bitbang_ ? baud / 4 : baud;
    if (value == 0) return FT_INVALID_BAUD_RATE;
    int r = lib_.SetBaudrate(static_cast<int>(value));
    if (r == -1) return FT_INVALID_BAUD_RATE;
    return r < 0 ? StatusForIo(r) : FT_OK;
}

namespace {

// Holds the calling thread until a fixed time has passed since it was made.
class MinimumDuration {
public:
    explicit MinimumDuration(int64_t ns) : until_(std::chrono::steady_clock::now() + std::chrono::nanoseconds(ns)) {}
    ~MinimumDuration()
    {
        while (std::chrono::steady_clock::now() < until_) {
        }
    }

private:
    std::chrono::steady_clock::time_point until_;
};

} // namespace

FT_STATUS D2XXUnit::FT_GetQueueStatus(FT_HANDLE handle, uint32_t* rxBytes)
{
    MinimumDuration cost(kQueueStatusNs);
    if (!Valid(handle) || !rxBytes) return FT_INVALID_HANDLE;
    if (outstanding_ > 0) {
        const uint32_t now = ticks_.TickCount();
        if (!idle_ || now != idleTick_) {
            // Everything the device has captured by now counts, not only one
            // chunk.
            int error = 0;
            for (;;) {
                uint32_t before = outstanding_;
                if (!Drain(&error)) return StatusForIo(error);
                if (outstanding_ == 0) {
                    idle_ = false;
                    break;
                }
                if (outstanding_ == before) {
                    // The empty read itself took about a latency period:
                    // the next read is due one tick after it ended.
                    idle_ = true;
                    idleTick_ = ticks_.TickCount();
                    break;
                }
            }
        }
    }
    *rxBytes = count_;
    return FT_OK;
}

FT_STATUS D2XXUnit::FT_Purge(FT_HANDLE handle, uint32_t mask)
{
    if (!Valid(handle)) return FT_INVALID_HANDLE;
    if (mask & FT_PURGE_RX) {
        // Captures of bytes already written may still be on their way; take
        // them in first (for a short while), or they would arrive after the
        // purge and open the next exchange's read-back with stale bytes.
        uint32_t t0 = ticks_.TickCount();
        while (outstanding_ > 0 && ticks_.TickCount() - t0 < kPurgeSettleMs) {
            int error = 0;
            if (!Drain(&error)) break;
            if (count_ == kQueueBytes) head_ = count_ = 0;  // they are discarded anyway
        }
        int r = lib_.PurgeRx();
        head_ = count_ = 0;
        outstanding_ = 0;
        idle_ = false;
        if (r < 0) return StatusForIo(r);
    }
    return FT_OK;
}

FT_STATUS D2XXUnit::FT_Write(FT_HANDLE handle, const void* buffer, uint32_t count, uint32_t* written)
{
    if (written) *written = 0;
    if (!Valid(handle) || !written) return FT_INVALID_HANDLE;
    if (count && !buffer) return FT_INVALID_PARAMETER;
    const uint8_t* p = static_cast<const uint8_t*>(buffer);
    uint32_t done = 0;
    uint32_t lastProgress = ticks_.TickCount();
    while (done < count) {
        uint32_t room = kFifoBytes - outstanding_;
        uint32_t left = count - done;
        uint32_t piece = left < room ? left : room;
        bool progressed = false;
        if (piece > 0) {
            int r = lib_.Write(p + done, static_cast<int>(piece));
            if (r < 0) {
                *written = done;
                return StatusForIo(r);
            }
            uint32_t took = static_cast<uint32_t>(r) > piece ? piece : static_cast<uint32_t>(r);
            done += took;
            outstanding_ += took;
            progressed = took > 0;
            if (progressed) idle_ = false;  // new captures are on their way
        }
        uint32_t before = outstanding_;
        int error = 0;
        if (!Drain(&error)) {
            *written = done;
            return StatusForIo(error);
        }
        progressed = progressed || outstanding_ < before;
        if (progressed) {
            lastProgress = ticks_.TickCount();
        } else if (ticks_.TickCount() - lastProgress >= writeTimeoutMs_) {
            break;  // the device stopped taking bytes: report what went out
        }
    }
    *written = done;
    return FT_OK;
}

FT_STATUS D2XXUnit::FT_Read(FT_HANDLE handle, void* buffer, uint32_t count, uint32_t* read)
{
    if (read) *read = 0;
    if (!Valid(handle) || !read) return FT_INVALID_HANDLE;
    if (count && !buffer) return FT_INVALID_PARAMETER;
    uint8_t* p = static_cast<uint8_t*>(buffer);
    uint32_t got = Pop(p, count);
    uint32_t t0 = ticks_.TickCount();
    while (got < count) {
        int error = 0;
        if (outstanding_ == 0) {
            // Nothing more is on its way: only bytes the host never wrote
            // are missing, and they will not come.
            break;
        }
        if (!Drain(&error)) {
            *read = got;
            return StatusForIo(error);
        }
        uint32_t k = Pop(p + got, count - got);
        got += k;
        if (k == 0 && ticks_.TickCount() - t0 >= readTimeoutMs_) {
            // Captures that have not come within the whole time-out are lost
            // (the chip was not clocking, or dropped them). Counted as on
            // their way they would narrow the 128-byte window of every later
            // write until none could be sent; and should one still straggle
            // in, it would open a later read-back. So they are written off
            // and the receive side is cleared.
            lib_.PurgeRx();
            outstanding_ = 0;
            idle_ = false;
            break;
        }
    }
    *read = got;
    return FT_OK;
}

} // namespace korv
