// USB engine of the Vantrel adapter: an FTDI chip in synchronous bit-bang
// mode. Every line change is one pin image appended to SampleBuffer; an
// exchange (FlushSamples) puts the queued images on the pins and reads back
// the pin states the chip captured for each of them. Input bits are taken
// from the read-back stream by the marker bit 0x80.
#pragma once

#include <cstdint>
#include <string>

#include "app/TickSource.h"
#include "app/UiHost.h"
#include "hw/D2xxApi.h"
#include "hw/ProgrammerKind.h"

namespace korv {

// Bits of UsbPinImage (bit-bang pin = bit).
constexpr uint8_t kUsbClockBit = 0x04;   // PGC, inverted: bit = NOT PGC level
constexpr uint8_t kUsbDataInBit = 0x08;  // PGD level (input, read back only)
constexpr uint8_t kUsbSupplyBit = 0x10;  // 1 = 5 V, 0 = 3.3 V
constexpr uint8_t kUsbMclrBit = 0x20;    // programming voltage on MCLR
constexpr uint8_t kUsbDataBit = 0x40;    // 1 pulls PGD low
constexpr uint8_t kUsbMarkerBit = 0x80;  // sample this image's captured state

constexpr uint32_t kSampleBufferSize = 65536;
constexpr uint32_t kSampleCountLimit = 0xFFFF;
// Samples of one byte read: 8 clocks of 8 samples, PGD release, 8 x 6.
constexpr uint32_t kByteReadPatternSamples = 113;

// Collects the marked samples of a read-back stream into bytes, least
// significant bit first: every sample with bit 7 set shifts its bit 3 in from
// the top; after eight marked samples one byte is complete.
struct MarkedByteDecoder {
    uint8_t bits = 0;
    uint8_t count = 0;
    static bool IsMarked(uint8_t sample) { return (sample & kUsbMarkerBit) != 0; }
    // Returns true when this sample completed a byte (stored in out).
    bool Feed(uint8_t sample, uint8_t& out);
};

class FtFunkc {
public:
    FtFunkc(UiHost& host, D2xxApi& d2xx, TickSource& ticks);
    FtFunkc(const FtFunkc&) = delete;
    FtFunkc& operator=(const FtFunkc&) = delete;

    // The line layer owns ProgrammerKind; the engine only reads it
    // (FlushSamples, SetSupply5V/3V3 do nothing unless it is Usb). Until
    // bound the engine behaves as on the parallel port.
    void BindProgrammerKind(const Programmer* kind) { kind_ = kind; }
    bool UsbActive() const { return kind_ && *kind_ == Programmer::Usb; }

    // --- engine operations ---
    void AppendSample();
    uint32_t FlushSamples();
    void SetSupply5V();
    void SetSupply3V3();
    bool OpenUsbAdapter();

    // --- USB paths of the line operations ---
    void UsbSetClockLine(bool level);
    void UsbSetDataLine(bool drive);
    void UsbSetMclrLine(bool on);
    void UsbSyncWait();
    void UsbClockPulse();
    void UsbDelayUnits(uint16_t count);
    bool UsbReadDataLine();
    // Whole USB byte read: exchange, pattern, exchange, marker decoding.
    uint8_t UsbReadDataByte();
    // Queues the 113-sample byte-read pattern alone (no exchange): eight
    // clock cycles with PGD as left, PGD released, eight clocks each
    // followed by one marked sample. Building block of batch reads.
    void QueueByteReadPattern();
    // Decodes every marked sample among the first n bytes of ReadBackBuffer
    // into one byte (later bits push earlier ones out at the bottom).
    uint8_t DecodeMarkedByte(uint32_t n) const;

    // --- D2XX wrappers: a failing call reports through ReportFtError ---
    FT_STATUS GetFTDeviceCount(uint32_t* count);
    FT_STATUS GetFTDeviceDescription(uint32_t index, char* buffer64);
    FT_STATUS OpenByDescription(const std::string& description);
    FT_STATUS SetBitMode();
    FT_STATUS SetLatencyTimer();
    FT_STATUS SetTimeouts();
    FT_STATUS SetBaudRate();
    FT_STATUS GetQueueStatus();
    FT_STATUS PurgeRx();
    uint32_t WriteSamples(uint32_t count);
    uint32_t ReadBack(uint32_t count);

    // Modal error dialog "<operation><status text>" for a non-zero status.
    // A failure already shown is not shown again until the same call has
    // succeeded once: an adapter pulled off mid-exchange fails every poll of
    // every loop, and one modal dialog per poll would be thousands of dialogs
    // per exchange with no way out for the operator.
    void ReportFtError(const std::string& operation, FT_STATUS status);
    static std::string FtStatusText(FT_STATUS status);

    // --- state (names as the rest of the program uses them) ---
    uint8_t UsbPinImage = 0;
    uint8_t* const SampleBuffer;
    uint32_t SampleCount = 0;
    uint8_t* const SampleBackup;
    uint8_t* const ReadBackBuffer;
    uint32_t RxQueueBytes = 0;
    uint32_t PollsPerMs = 0;
    bool UsbAdapterOpen = false;
    const std::string UsbDescription = "Vantrel";
    FT_HANDLE Handle = nullptr;

    ~FtFunkc();

private:
    UiHost& host_;
    D2xxApi& d2xx_;
    TickSource& ticks_;
    const Programmer* kind_ = nullptr;
    uint8_t* storage_;
    // Failures shown whose call has not succeeded since.
    struct ShownFailure {
        uint64_t op;
        FT_STATUS status;
    };
    static constexpr int kShownFailuresMax = 32;
    ShownFailure shownFailures_[kShownFailuresMax] = {};
    int shownFailureCount_ = 0;
};

} // namespace korv
