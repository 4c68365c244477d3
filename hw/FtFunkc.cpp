#include "hw/FtFunkc.h"

#include <cstring>

#include "app/Format.h"

namespace korv {

bool MarkedByteDecoder::Feed(uint8_t sample, uint8_t& out)
{
    if (!IsMarked(sample)) return false;
    bits = static_cast<uint8_t>((bits >> 1) | ((sample & kUsbDataInBit) ? 0x80 : 0x00));
    if (++count < 8) return false;
    count = 0;
    out = bits;
    return true;
}

// The three 64 KiB buffers are one allocation made once for the run.
FtFunkc::FtFunkc(UiHost& host, D2xxApi& d2xx, TickSource& ticks)
    : SampleBuffer(new uint8_t[3 * kSampleBufferSize]()),
      SampleBackup(SampleBuffer + kSampleBufferSize),
      ReadBackBuffer(SampleBuffer + 2 * kSampleBufferSize),
      host_(host), d2xx_(d2xx), ticks_(ticks), storage_(SampleBuffer)
{
}

FtFunkc::~FtFunkc() { delete[] storage_; }

// ---------------------------------------------------------------- errors

std::string FtFunkc::FtStatusText(FT_STATUS status)
{
    static const char* const kTexts[18] = {
        "",
        " - Invalid handle...",
        " - Device not found...",
        " - Device not opened...",
        " - General IO error...",
        " - Insufficient resources...",
        " - Invalid parameter...",
        " - Invalid baud rate...",
        " Device not opened for erase...",
        " Device not opened for write...",
        " - Failed to write...",
        " - EEPROM read failed...",
        " - EEPROM write failed...",
        " - EEPROM erase failed...",
        " - EEPROM not present...",
        " - EEPROM not programmed...",
        " - Invalid arguments...",
        " - Other error ...",
    };
    return status <= 17 ? kTexts[status] : "";
}

void FtFunkc::ReportFtError(const std::string& operation, FT_STATUS status)
{
    // FNV-1a over the operation name identifies the call.
    uint64_t op = 1469598103934665603ull;
    for (unsigned char c : operation) op = (op ^ c) * 1099511628211ull;
    if (status == FT_OK) {
        // This call works again: its next failure is news.
        int kept = 0;
        for (int i = 0; i < shownFailureCount_; ++i)
            if (shownFailures_[i].op != op) shownFailures_[kept++] = shownFailures_[i];
        shownFailureCount_ = kept;
        return;
    }
    for (int i = 0; i < shownFailureCount_; ++i)
        if (shownFailures_[i].op == op && shownFailures_[i].status == status) return;
    if (shownFailureCount_ < kShownFailuresMax) shownFailures_[shownFailureCount_++] = {op, status};
    // Codes the library does not document show the dialog with no text.
    if (status > 17) {
        host_.ErrorDialog("");
        return;
    }
    host_.ErrorDialog(operation + FtStatusText(status));
}

// ---------------------------------------------------------- D2XX wrappers

FT_STATUS FtFunkc::GetFTDeviceCount(uint32_t* count)
{
    FT_STATUS st = d2xx_.FT_ListDevices(count, nullptr, FT_LIST_NUMBER_ONLY);
    ReportFtError("GetFTDeviceCount", st);
    return st;
}

FT_STATUS FtFunkc::GetFTDeviceDescription(uint32_t index, char* buffer64)
{
    std::memset(buffer64, 0, 64);
    FT_STATUS st = d2xx_.FT_ListDevices(reinterpret_cast<void*>(static_cast<uintptr_t>(index)), buffer64,
                                        FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION);
    buffer64[63] = 0;  // the description is at most 63 characters and always terminated here
    ReportFtError("GetFTDeviceDescription", st);
    return st;
}

FT_STATUS FtFunkc::OpenByDescription(const std::string& description)
{
    char name[50] = {};
    std::strncpy(name, description.c_str(), 49);
    FT_STATUS st = d2xx_.FT_OpenEx(name, FT_OPEN_BY_DESCRIPTION, &Handle);
    ReportFtError("Open_USB_Device_By_Device_Description", st);
    return st;
}

FT_STATUS FtFunkc::SetBitMode()
{
    FT_STATUS st = d2xx_.FT_SetBitMode(Handle, 0xF7, FT_BITMODE_SYNC_BITBANG);
    ReportFtError("FT_SetBitMode ", st);
    return st;
}

FT_STATUS FtFunkc::SetLatencyTimer()
{
    FT_STATUS st = d2xx_.FT_SetLatencyTimer(Handle, 1);
    ReportFtError("FT_SetLatencyTimer ", st);
    return st;
}

FT_STATUS FtFunkc::SetTimeouts()
{
    FT_STATUS st = d2xx_.FT_SetTimeouts(Handle, 5000, 5000);
    ReportFtError("FT_SetTimeouts", st);
    return st;
}

FT_STATUS FtFunkc::SetBaudRate()
{
    FT_STATUS st = d2xx_.FT_SetBaudRate(Handle, 153600);
    ReportFtError("FT_SetBaudRate", st);
    return st;
}

FT_STATUS FtFunkc::GetQueueStatus()
{
    FT_STATUS st = d2xx_.FT_GetQueueStatus(Handle, &RxQueueBytes);
    ReportFtError("FT_GetQueueStatus", st);
    return st;
}

FT_STATUS FtFunkc::PurgeRx()
{
    FT_STATUS st = d2xx_.FT_Purge(Handle, FT_PURGE_RX);
    ReportFtError("FT_Purge RX", st);
    return st;
}

uint32_t FtFunkc::WriteSamples(uint32_t count)
{
    uint32_t written = 0;
    FT_STATUS st = d2xx_.FT_Write(Handle, SampleBuffer, count, &written);
    ReportFtError("FT_Write", st);
    // A count larger than requested would be a library fault; never trust it
    // past what was handed over.
    return written > count ? count : written;
}

uint32_t FtFunkc::ReadBack(uint32_t count)
{
    uint32_t got = 0;
    FT_STATUS st = d2xx_.FT_Read(Handle, ReadBackBuffer, count, &got);
    ReportFtError("FT_Read", st);
    return got > count ? count : got;
}

// ------------------------------------------------------ engine operations

void FtFunkc::AppendSample()
{
    SampleBuffer[SampleCount] = UsbPinImage;
    if (SampleCount < kSampleCountLimit)
        ++SampleCount;
    else
        host_.Okno(Format("Ошибка переполнения =%d", {SampleCount}));
}

// One exchange: every queued pin image goes to the adapter, and the pin
// states it captured (one per image, in order) are read into ReadBackBuffer.
uint32_t FtFunkc::FlushSamples()
{
    if (!UsbActive()) return 0;
    // Callers may lower or raise SampleCount directly (debug panel); it can
    // never name more images than the buffer holds.
    if (SampleCount > kSampleCountLimit) SampleCount = kSampleCountLimit;

    std::memcpy(SampleBackup, SampleBuffer, SampleCount);
    GetQueueStatus();
    if (RxQueueBytes != 0) PurgeRx();
    RxQueueBytes = 0;
    uint32_t toSend = SampleCount;
    uint32_t polls = 0;
    // Images the library has accepted so far. They go out on the pins even if
    // their echoes have not yet arrived within the poll limit, so a resend
    // starts after them: resending from the echo count alone would put some
    // images (clock edges) out twice and corrupt the chip's command stream.
    uint32_t accepted = 0;
    bool tailMoved = false;
    const uint32_t pollLimit = 4 * PollsPerMs;

    for (int attempt = 0; attempt < 101; ++attempt) {
        if (RxQueueBytes < SampleCount)
            toSend = SampleCount - (accepted > RxQueueBytes ? accepted : RxQueueBytes);
        else
            host_.Okno(Format("Ошибка-1 FtWrite()->FTIndxOutBuff=%d < FT_Q_Bytes=%d ",
                              {SampleCount, RxQueueBytes}));
        const uint32_t start = SampleCount - toSend;

        uint32_t sent = toSend ? WriteSamples(toSend) : 0;

        RxQueueBytes = 0;
        polls = 0;
        while (RxQueueBytes < SampleCount) {
            GetQueueStatus();
            ++polls;
            if (polls > pollLimit) break;
        }
        if (sent >= toSend) break;

        // Short write: the adapter has put out every image it echoed and
        // every image the library accepted; the rest moves to the front.
        if (RxQueueBytes < SampleCount) {
            accepted = start + sent;
            uint32_t resume = accepted > RxQueueBytes ? accepted : RxQueueBytes;
            for (uint32_t i = resume; i < SampleCount; ++i)
                SampleBuffer[i - resume] = SampleBackup[i];
            tailMoved = true;
        } else {
            host_.Okno(Format("Ошибка-2 FtWrite()->FTIndxOutBuff=%d < FT_Q_Bytes=%d ",
                              {SampleCount, RxQueueBytes}));
        }
    }

    uint32_t n = SampleCount ? ReadBack(SampleCount) : 0;
    while (RxQueueBytes > 0) {
        GetQueueStatus();
        ++polls;
        if (polls > pollLimit) break;
    }
    // After a resend the buffer's front holds a moved tail; put the images
    // back as they were queued, so that a caller repeating the last exchange
    // (debug panel) sends exactly what it queued.
    if (tailMoved) std::memcpy(SampleBuffer, SampleBackup, SampleCount);
    SampleCount = 0;
    return n;
}

void FtFunkc::SetSupply5V()
{
    if (UsbActive()) UsbPinImage |= kUsbSupplyBit;
}

void FtFunkc::SetSupply3V3()
{
    if (UsbActive()) UsbPinImage &= static_cast<uint8_t>(~kUsbSupplyBit);
}

bool FtFunkc::OpenUsbAdapter()
{
    if (UsbAdapterOpen) return true;

    uint32_t count = 0;
    if (GetFTDeviceCount(&count) != FT_OK) return false;
    bool found = false;
    char description[64];
    for (uint32_t i = 0; i < count; ++i) {
        if (GetFTDeviceDescription(i, description) != FT_OK) continue;
        if (UsbDescription == description) {
            found = true;
            break;
        }
    }
    if (!found) return false;

    UsbAdapterOpen = false;
    if (OpenByDescription(UsbDescription) != FT_OK) return false;
    if (GetQueueStatus() != FT_OK) return false;
    UsbAdapterOpen = true;

    SetBitMode();
    SetLatencyTimer();
    SetTimeouts();
    SetBaudRate();

    // Delays on this path spin on the queue status; count how many calls
    // fit in 100 ms of the system tick.
    uint32_t t0 = ticks_.TickCount();
    PollsPerMs = 0;
    for (;;) {
        GetQueueStatus();
        if (ticks_.TickCount() - t0 >= 100) break;
        ++PollsPerMs;
    }
    PollsPerMs /= 100;
    return true;
}

// -------------------------------------------------- USB line operations

void FtFunkc::UsbSetClockLine(bool level)
{
    if (level)
        UsbPinImage &= static_cast<uint8_t>(~kUsbClockBit);
    else
        UsbPinImage |= kUsbClockBit;
    AppendSample();
}

void FtFunkc::UsbSetDataLine(bool drive)
{
    if (drive)
        UsbPinImage |= kUsbDataBit;
    else
        UsbPinImage &= static_cast<uint8_t>(~kUsbDataBit);
    AppendSample();
}

void FtFunkc::UsbSetMclrLine(bool on)
{
    if (on)
        UsbPinImage |= kUsbMclrBit;
    else
        UsbPinImage &= static_cast<uint8_t>(~kUsbMclrBit);
    AppendSample();
    FlushSamples();
}

void FtFunkc::UsbSyncWait() { AppendSample(); }

void FtFunkc::UsbClockPulse()
{
    AppendSample();
    AppendSample();
    UsbPinImage &= static_cast<uint8_t>(~kUsbClockBit);  // PGC high
    AppendSample();
    AppendSample();
    AppendSample();
    UsbPinImage |= kUsbClockBit;  // PGC low
    AppendSample();
    AppendSample();
    AppendSample();
}

void FtFunkc::UsbDelayUnits(uint16_t count)
{
    AppendSample();
    FlushSamples();
    uint32_t polls = (count / 100u) * PollsPerMs + 1;
    for (uint32_t i = 0; i < polls; ++i) GetQueueStatus();
}

bool FtFunkc::UsbReadDataLine()
{
    UsbPinImage |= kUsbMarkerBit;
    AppendSample();
    UsbPinImage &= static_cast<uint8_t>(~kUsbMarkerBit);
    for (int i = 0; i < 4; ++i) AppendSample();
    uint32_t n = FlushSamples();
    for (uint32_t i = 0; i < n; ++i) {
        uint8_t s = ReadBackBuffer[i];
        if ((s & kUsbMarkerBit) && (s & kUsbDataInBit)) return true;
    }
    return false;
}

void FtFunkc::QueueByteReadPattern()
{
    for (int i = 0; i < 8; ++i) UsbClockPulse();
    UsbPinImage &= static_cast<uint8_t>(~kUsbDataBit);  // release PGD to the chip
    AppendSample();
    for (int i = 0; i < 8; ++i) {
        UsbPinImage &= static_cast<uint8_t>(~kUsbClockBit);  // PGC high: chip puts its bit out
        AppendSample();
        AppendSample();
        AppendSample();
        UsbPinImage |= kUsbClockBit;  // PGC low
        AppendSample();
        // The marked image's capture is the pin state after the falling edge.
        UsbPinImage |= kUsbMarkerBit;
        AppendSample();
        UsbPinImage &= static_cast<uint8_t>(~kUsbMarkerBit);
        AppendSample();
    }
}

uint8_t FtFunkc::DecodeMarkedByte(uint32_t n) const
{
    uint8_t value = 0;
    if (n > kSampleBufferSize) n = kSampleBufferSize;
    for (uint32_t i = 0; i < n; ++i) {
        uint8_t s = ReadBackBuffer[i];
        if (s & kUsbMarkerBit) value = static_cast<uint8_t>((value >> 1) | ((s & kUsbDataInBit) ? 0x80 : 0));
    }
    return value;
}

uint8_t FtFunkc::UsbReadDataByte()
{
    FlushSamples();
    QueueByteReadPattern();
    uint32_t n = FlushSamples();
    return DecodeMarkedByte(n);
}

} // namespace korv
