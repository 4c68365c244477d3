// The D2XX calls of the program over libftdi1 (through FtdiLib).
//
// Synchronous bit-bang: for every byte written the chip captures one pin
// state into its read-back FIFO, and once that FIFO (128 bytes) is full it
// stops clocking out further bytes until the host reads. So this layer never
// has more than 128 bytes written and not yet read back: it writes in pieces
// and between them drains the device into its own receive queue (a fixed
// ring). FT_GetQueueStatus reports that queue; FT_Read takes from it and
// waits for the rest until the read time-out.
//
// libftdi has no driver thread that collects the captures in the
// background, so taking them in is a USB read, and a read that finds
// nothing waits for the chip's latency timer (about 1 ms). The USB engine
// counts its poll limits and delays in queue-status calls calibrated while
// nothing was outstanding (a call then costs no USB traffic); so that a poll
// keeps about that cost when captures are overdue, a queue-status call reads
// the device at most once per millisecond tick after a read that brought
// nothing, and otherwise reports the queue as it stands.
//
// The engine's calibration counts loops of one queue-status call and one
// reading of the system tick. A call that stays in memory costs a few
// nanoseconds, less than the tick reading, so the calibrated delays would
// come out at about half their length (an erase wait too short for the
// chip). Every queue-status call therefore lasts at least kQueueStatusNs of
// real time, as a call into a driver does, and the tick reading becomes
// negligible.
//
// Devices are listed and opened by their product description; a device whose
// strings cannot be read (no access rights, claimed by another program) is
// listed with an empty description instead of ending the listing.
#pragma once

#include <cstdint>

#include "app/TickSource.h"
#include "hw/D2xxApi.h"
#include "hw/FtdiLib.h"

namespace korv {

class D2XXUnit final : public D2xxApi {
public:
    static constexpr uint32_t kFifoBytes = 128;
    static constexpr uint32_t kQueueBytes = 1u << 17;  // receive ring
    static constexpr int kDescriptionBytes = 64;
    static constexpr uint32_t kPurgeSettleMs = 20;
    // Least real time one FT_GetQueueStatus takes (a driver round trip).
    static constexpr int64_t kQueueStatusNs = 2000;

    D2XXUnit(FtdiLib& lib, TickSource& ticks);
    ~D2XXUnit() override;
    D2XXUnit(const D2XXUnit&) = delete;
    D2XXUnit& operator=(const D2XXUnit&) = delete;

    FT_STATUS FT_ListDevices(void* arg1, void* arg2, uint32_t flags) override;
    FT_STATUS FT_OpenEx(void* arg, uint32_t flags, FT_HANDLE* handle) override;
    FT_STATUS FT_SetBitMode(FT_HANDLE handle, uint8_t mask, uint8_t mode) override;
    FT_STATUS FT_SetLatencyTimer(FT_HANDLE handle, uint8_t ms) override;
    FT_STATUS FT_SetTimeouts(FT_HANDLE handle, uint32_t readMs, uint32_t writeMs) override;
    FT_STATUS FT_SetBaudRate(FT_HANDLE handle, uint32_t baud) override;
    FT_STATUS FT_GetQueueStatus(FT_HANDLE handle, uint32_t* rxBytes) override;
    FT_STATUS FT_Purge(FT_HANDLE handle, uint32_t mask) override;
    FT_STATUS FT_Write(FT_HANDLE handle, const void* buffer, uint32_t count, uint32_t* written) override;
    FT_STATUS FT_Read(FT_HANDLE handle, void* buffer, uint32_t count, uint32_t* read) override;

    // Written to the device and not yet taken into the receive queue.
    uint32_t Outstanding() const { return outstanding_; }
    uint32_t Queued() const { return count_; }

private:
    bool Valid(FT_HANDLE h) const { return open_ && h == Token(); }
    FT_HANDLE Token() const { return const_cast<D2XXUnit*>(this); }
    // Pulls whatever the device has captured into the ring; false on error.
    bool Drain(int* error);
    void Push(const uint8_t* p, uint32_t n);
    uint32_t Pop(uint8_t* p, uint32_t n);

    FtdiLib& lib_;
    TickSource& ticks_;
    bool open_ = false;
    bool bitbang_ = false;
    uint32_t readTimeoutMs_ = 5000;
    uint32_t writeTimeoutMs_ = 5000;
    uint32_t outstanding_ = 0;
    // A queue-status read found nothing in this tick: polls in the same tick
    // do not read again.
    bool idle_ = false;
    uint32_t idleTick_ = 0;
    uint8_t* const ring_;
    uint32_t head_ = 0;
    uint32_t count_ = 0;
    uint8_t chunk_[kFifoBytes];
};

} // namespace korv
