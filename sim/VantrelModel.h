// The FTDI D2XX library with the devices plugged into the PC. One of them
// may be the Vantrel adapter: an FTDI chip in synchronous bit-bang mode whose
// pins drive the ICSP lines. Pin byte: bit 2 = NOT PGC, bit 3 = PGD level
// (input), bit 4 supply select (1 = 5 V), bit 5 programming voltage, bit 6
// pulls PGD low, bit 7 free output (the host's read marker).
//
// Synchronous bit-bang: every byte written is put on the pins at the byte
// clock, and for every byte one byte is captured into the receive FIFO: the
// pin state sampled just before that byte is applied, so the answer to a
// byte shows in the capture of the next one.
//
// Byte clock: FTDI's bit-bang clock runs at 16 times the baud-rate setting
// (kBitbangFactor), so 153600 baud gives 2.4576 M pin bytes per second.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "hw/D2xxApi.h"
#include "sim/TargetBus.h"

namespace korv::sim {

class Clock;

// A call is named by its D2XX function name: "FT_ListDevices", "FT_OpenEx",
// "FT_SetBitMode", "FT_SetLatencyTimer", "FT_SetTimeouts", "FT_SetBaudRate",
// "FT_GetQueueStatus", "FT_Purge", "FT_Write", "FT_Read". A failing call
// has no effect and returns the status (counts written/read are 0).
struct FtCallFault {
    std::string call;
    uint32_t nth = 0;        // 1-based call number; 0 = every call
    korv::FT_STATUS status = korv::FT_IO_ERROR;
};

struct VantrelFaults {
    std::vector<FtCallFault> failingCalls;
    // FT_Write number shortWriteCall (1-based; 0 = none) puts only
    // shortWriteBytes on the pins and reports that count.
    uint32_t shortWriteCall = 0;
    uint32_t shortWriteBytes = 0;
    // FT_Read number shortReadCall (1-based; 0 = none) loses shortReadMissing
    // bytes: the call waits for its time-out and returns fewer bytes.
    uint32_t shortReadCall = 0;
    uint32_t shortReadMissing = 0;
    // From this virtual time on the Vantrel device is unplugged.
    uint64_t unplugAtNs = UINT64_MAX;
};

struct VantrelTiming {
    uint32_t bitbangFactor = 16;           // byte clock = baud * factor
    uint64_t callNs = 5 * 1000;            // any library call
    uint64_t queueStatusNs = 20 * 1000;    // FT_GetQueueStatus round trip
    uint64_t writeLatencyNs = 500 * 1000;  // FT_Write until the first byte hits the pins
    uint64_t readLatencyNs = 250 * 1000;   // FT_Read transfer
    uint64_t openNs = 50 * 1000 * 1000;    // FT_OpenEx
};

struct UsbDevice {
    std::string description;
    std::string serial;
    bool isAdapter = false;  // the Vantrel wired to the module
};

class VantrelModel final : public korv::D2xxApi {
public:
    VantrelModel(Clock& clock, TargetBus& bus, std::vector<UsbDevice> devices);

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

    VantrelFaults& faults() { return faults_; }
    VantrelTiming& timing() { return timing_; }
    void unplugNow();
    bool plugged() const;

    // Observations of the adapter device.
    bool open() const { return adapterOpen_; }
    uint8_t bitMask() const { return mask_; }
    uint8_t bitMode() const { return mode_; }
    uint8_t latencyMs() const { return latencyMs_; }
    uint32_t readTimeoutMs() const { return readTimeoutMs_; }
    uint32_t writeTimeoutMs() const { return writeTimeoutMs_; }
    uint32_t baudRate() const { return baud_; }
    uint64_t byteClockNs() const;  // period of one pin byte (rounded)
    uint8_t pins() const { return pins_; }  // output latch as last applied
    bool supply5V() const { return (pins_ & 0x10) != 0; }
    uint64_t supplyChanges() const { return supplyChanges_; }
    uint64_t bytesOut() const { return bytesOut_; }
    uint64_t markedBytes() const { return markedBytes_; }
    uint64_t callCount(const std::string& call) const;
    const std::vector<UsbDevice>& devices() const { return devices_; }

private:
    struct Handle {
        size_t device;
        bool open;
    };
    FT_STATUS begin(const char* call);
    bool faultFor(const char* call, uint64_t number, FT_STATUS* status) const;
    Handle* handleOf(FT_HANDLE h);
    FT_STATUS checkHandle(FT_HANDLE h, Handle** out);
    bool adapterUnplugged() const;
    void applyPins(uint8_t byte, uint64_t t);
    uint8_t capture(uint64_t t) const;
    size_t visibleEnd(uint64_t t) const;
    void dropRx(size_t upTo);
    void pushDrive(uint64_t t);

    Clock& clock_;
    TargetBus& bus_;
    std::vector<UsbDevice> devices_;
    std::vector<Handle> handles_;
    VantrelFaults faults_;
    VantrelTiming timing_;

    std::vector<std::pair<std::string, uint64_t>> calls_;
    bool adapterOpen_ = false;
    uint8_t mask_ = 0;
    uint8_t mode_ = 0;
    uint8_t latencyMs_ = 16;
    uint32_t readTimeoutMs_ = 0;
    uint32_t writeTimeoutMs_ = 0;
    uint32_t baud_ = 9600;
    uint8_t pins_ = 0;           // output latch
    uint64_t nextSlot_ = 0;      // earliest time of the next pin byte
    bool forcedUnplug_ = false;

    // Receive FIFO: captured bytes; each write's captures reach the host
    // queue together, one latency-timer period after the last byte.
    struct RxChunk {
        size_t end;          // index in rx_ one past the chunk's last byte
        uint64_t visibleAt;
    };
    std::vector<uint8_t> rx_;
    size_t rxHead_ = 0;
    std::deque<RxChunk> chunks_;
    bool driveActive_ = false;

    uint64_t supplyChanges_ = 0;
    uint64_t bytesOut_ = 0;
    uint64_t markedBytes_ = 0;
};

} // namespace korv::sim
