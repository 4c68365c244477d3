// The USB engine: sample streams of the line operations, the exchange with
// its write attempts and tail resend, delays by calibrated polling, the
// marker decoding, opening the adapter and the library's error dialogs.
// Streams and timing run against the simulated Vantrel adapter; error paths
// that a working adapter never shows run on a scripted library.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>

#include "hw/Hardware.h"
#include "tests/hw/bench.h"
#include "tests/hw/scripted_d2xx.h"

namespace korv::test {
namespace {

using Samples = std::vector<uint8_t>;

struct UsbBench : Bench {
    explicit UsbBench(const VariantProfile& p = kProfile4620, sim::StationConfig cfg = StationFor(sim::Adapters::Vantrel))
        : Bench(p, cfg)
    {
        ok = SelectUsb();
        d2xx.Clear();
        port.Clear();
    }
    // The images of the next exchange, as the adapter receives them.
    Samples Exchanged()
    {
        d2xx.written.clear();
        usb.FlushSamples();
        return d2xx.written;
    }
    bool ok = false;
};

class TickPerCalls final : public TickSource {
public:
    uint32_t TickCount() override { return static_cast<uint32_t>(++calls / 10); }
    uint64_t calls = 0;
};

struct ScriptedBench {
    ScriptedBench() : usb(host, d2xx, ticks), pp(kProfile4620, host, port, usb)
    {
        opened = usb.OpenUsbAdapter();
        pp.ProgrammerKind = Programmer::Usb;
        usb.PollsPerMs = 3;
    }
    RecordingHost host;
    ScriptedD2xx d2xx;
    TickPerCalls ticks;
    ForwardingPort port;
    FtFunkc usb;
    PortProg pp;
    bool opened = false;
};

// After detection's set-up the image is 0x10: 5 V, PGC high (bit 2 clear),
// PGD released, MCLR off.
TEST(UsbStreams, LineOperationsAppendTheirPinImages)
{
    struct Case {
        const char* name;
        std::function<void(PortProg&)> op;
        Samples expect;
    } cases[] = {
        {"clock low", [](PortProg& p) { p.SetClockLine(false); }, {0x14}},
        {"clock high", [](PortProg& p) { p.SetClockLine(true); }, {0x10}},
        {"data drive", [](PortProg& p) { p.SetDataLine(true); }, {0x50}},
        {"data release", [](PortProg& p) { p.SetDataLine(false); }, {0x10}},
        {"sync wait", [](PortProg& p) { p.SyncWait(); }, {0x10}},
        {"mclr on", [](PortProg& p) { p.SetMclrLine(true); }, {0x30}},
        {"clock pulse from low",
         [](PortProg& p) {
             p.SetClockLine(false);
             p.ClockPulse();
         },
         {0x14, 0x14, 0x14, 0x10, 0x10, 0x10, 0x14, 0x14, 0x14}},
        {"read data line", [](PortProg& p) { p.ReadDataLine(); }, {0x90, 0x10, 0x10, 0x10, 0x10}},
        {"delay", [](PortProg& p) { p.DelayUnits(5); }, {0x10}},
    };
    for (const Case& c : cases) {
        UsbBench b;
        ASSERT_TRUE(b.ok);
        c.op(b.pp);
        EXPECT_EQ(b.d2xx.written.size() + b.usb.SampleCount, c.expect.size()) << c.name;
        Samples all = b.d2xx.written;
        Samples rest = b.Exchanged();
        all.insert(all.end(), rest.begin(), rest.end());
        EXPECT_EQ(all, c.expect) << c.name;
    }
}

TEST(UsbStreams, OnlyMclrDelayAndReadsExchange)
{
    UsbBench b;
    b.pp.SetClockLine(false);
    b.pp.SetDataLine(true);
    b.pp.ClockPulse();
    b.pp.SyncWait();
    b.pp.SendCoreInstruction(0x0E55);
    b.pp.WriteDataWord(0x1234);
    EXPECT_EQ(b.d2xx.writes, 0u);
    b.pp.SetMclrLine(false);
    EXPECT_EQ(b.d2xx.writes, 1u);
    EXPECT_EQ(b.usb.SampleCount, 0u);
    b.pp.DelayUnits(0);
    EXPECT_EQ(b.d2xx.writes, 2u);
    b.pp.ReadDataLine();
    EXPECT_EQ(b.d2xx.writes, 3u);
    b.pp.SendCommand(kCmdTableRead, false);
    b.pp.ReadDataByte();
    EXPECT_EQ(b.d2xx.writes, 5u) << "a byte read runs two exchanges";
}

// The byte read: 64 samples of eight clocks, PGD release, then per bit
// clock high, two idle, clock low, marked, unmarked.
TEST(UsbStreams, ByteReadPatternHoldsEightMarksEachAfterAFallingEdge)
{
    UsbBench b;
    b.pp.SendCommand(kCmdTableRead, false);
    b.usb.FlushSamples();
    const uint8_t before = b.usb.UsbPinImage;
    b.usb.QueueByteReadPattern();
    ASSERT_EQ(b.usb.SampleCount, kByteReadPatternSamples);
    const uint8_t* s = b.usb.SampleBuffer;
    for (int i = 0; i < 64; ++i) EXPECT_EQ(s[i] & kUsbDataBit, before & kUsbDataBit) << "PGD kept during the first clocks";
    EXPECT_EQ(s[64] & kUsbDataBit, 0);
    int marks = 0;
    for (uint32_t i = 65; i < kByteReadPatternSamples; i += 6) {
        EXPECT_EQ(s[i] & kUsbClockBit, 0) << "PGC high";
        EXPECT_EQ(s[i + 3] & kUsbClockBit, kUsbClockBit) << "PGC low";
        EXPECT_TRUE(s[i + 4] & kUsbMarkerBit);
        EXPECT_FALSE(s[i + 5] & kUsbMarkerBit);
        for (uint32_t k = i; k < i + 6; ++k) marks += (s[k] & kUsbMarkerBit) != 0;
    }
    EXPECT_EQ(marks, 8);
    EXPECT_EQ(b.usb.UsbPinImage & (kUsbDataBit | kUsbMarkerBit), 0) << "PGD left released";
}

TEST(UsbStreams, PortRegistersUntouchedExceptTheSyncLines)
{
    UsbBench b;
    b.ReadDeviceId();
    b.pp.ClockPulse();
    b.pp.SyncWait();
    b.pp.DelayUnits(300);
    b.pp.ReadDataLine();
    b.pp.SendCommand(0, true);
    EXPECT_TRUE(b.port.accesses.empty());
    EXPECT_FALSE(b.pp.AdapterPresent);

    b.pp.SetSyncLine(false);
    EXPECT_EQ(b.port.Writes(0x378).size(), 1u);
    b.pp.ReadSyncLine();
    EXPECT_EQ(b.port.Reads(0x379), 1u);
}

TEST(UsbEngine, OverflowKeepsTheCountAndOverwritesTheLastSlot)
{
    UsbBench b;
    for (uint32_t i = 0; i < 65535; ++i) b.usb.AppendSample();
    EXPECT_EQ(b.usb.SampleCount, 65535u);
    EXPECT_TRUE(b.host.log.empty());
    b.usb.UsbPinImage = 0x55;
    b.usb.AppendSample();
    b.usb.UsbPinImage = 0x66;
    b.usb.AppendSample();
    EXPECT_EQ(b.usb.SampleCount, 65535u);
    EXPECT_EQ(b.usb.SampleBuffer[65535], 0x66);
    EXPECT_EQ(b.host.log, (std::vector<std::string>{"Ошибка переполнения =65535", "Ошибка переполнения =65535"}));
    EXPECT_EQ(b.d2xx.writes, 0u) << "nothing is sent early";
    EXPECT_EQ(b.usb.FlushSamples(), 65535u);
}

TEST(UsbEngine, SupplyChangeReachesThePinsOnlyWithTheNextSample)
{
    UsbBench b;
    ASSERT_TRUE(b.st.vantrel().supply5V());
    b.usb.SetSupply3V3();
    b.usb.FlushSamples();
    EXPECT_TRUE(b.st.vantrel().supply5V());
    b.pp.SyncWait();
    b.usb.FlushSamples();
    EXPECT_FALSE(b.st.vantrel().supply5V());
    b.usb.SetSupply5V();
    b.pp.SetMclrLine(false);
    EXPECT_TRUE(b.st.vantrel().supply5V());
}

TEST(UsbEngine, SupplyAndFlushDoNothingOnTheParallelPort)
{
    Bench b(kProfile2520, StationFor(sim::Adapters::Both));
    ASSERT_TRUE(b.usb.OpenUsbAdapter());
    b.d2xx.Clear();
    b.usb.SetSupply5V();
    EXPECT_EQ(b.usb.UsbPinImage, 0);
    b.usb.AppendSample();
    EXPECT_EQ(b.usb.FlushSamples(), 0u);
    EXPECT_EQ(b.d2xx.calls, 0u);
}

TEST(UsbEngine, EmptyExchangeLogsWriteErrorOneAndSendsNothing)
{
    UsbBench b;
    EXPECT_EQ(b.usb.FlushSamples(), 0u);
    EXPECT_EQ(b.host.log, (std::vector<std::string>{"Ошибка-1 FtWrite()->FTIndxOutBuff=0 < FT_Q_Bytes=0 "}));
    EXPECT_EQ(b.d2xx.writes, 0u);
    EXPECT_EQ(b.d2xx.reads, 0u);
}

TEST(UsbEngine, ExchangeReadsBackOneCapturePerImage)
{
    UsbBench b;
    for (int i = 0; i < 3000; ++i) b.pp.SetDataLine(i & 1);
    EXPECT_EQ(b.usb.FlushSamples(), 3000u);
    EXPECT_EQ(b.usb.SampleCount, 0u);
    uint32_t rx = 1;
    b.st.d2xx().FT_GetQueueStatus(b.usb.Handle, &rx);
    EXPECT_EQ(rx, 0u) << "nothing left in the receive queue";
}

TEST(UsbEngine, StaleReceiveBytesArePurgedBeforeAnExchange)
{
    UsbBench b;
    // Bytes from an exchange that another program left behind.
    uint8_t junk[5] = {0x88, 0x88, 0x88, 0x88, 0x88};
    uint32_t w = 0;
    b.st.d2xx().FT_Write(b.usb.Handle, junk, 5, &w);
    b.st.clock().advance(5 * sim::kNsPerMs);
    b.pp.SetDataLine(false);
    b.pp.SetDataLine(false);
    EXPECT_EQ(b.usb.FlushSamples(), 2u);
    EXPECT_EQ(b.d2xx.purges, 1u);
    // The first capture shows the pins as the last stale byte left them; the
    // second is the state after this exchange's first image.
    EXPECT_EQ(b.usb.ReadBackBuffer[1] & 0x80, 0) << "not one of the stale bytes";
}

// DelayUnits: the exchange, then (count div 100) x PollsPerMs + 1 polls.
// Counted as polls after the exchange's read beyond those of a plain one.
TEST(UsbDelay, PollCountsFollowTheCalibration)
{
    UsbBench b;
    const uint32_t ppm = b.usb.PollsPerMs;
    ASSERT_GT(ppm, 0u);
    b.pp.SyncWait();
    b.usb.FlushSamples();
    const uint64_t plain = b.d2xx.queueStatusAfterRead;
    struct Case {
        uint16_t count;
        uint64_t polls;
    } cases[] = {{0, 1}, {50, 1}, {99, 1}, {100, ppm + 1}, {120, ppm + 1}, {250, 2 * ppm + 1}};
    for (const Case& c : cases) {
        b.pp.DelayUnits(c.count);
        EXPECT_EQ(b.d2xx.queueStatusAfterRead - plain, c.polls) << c.count;
    }
}

// The calibration against the tick makes the unit 10 us of real time.
TEST(UsbDelay, CalibratedDelayLastsItsNominalTime)
{
    for (uint16_t count : {1000, 4000}) {
        UsbBench b;
        b.pp.SyncWait();
        b.usb.FlushSamples();
        uint64_t t0 = b.st.clock().now();
        b.pp.DelayUnits(count);
        double ms = double(b.st.clock().now() - t0) / sim::kNsPerMs;
        double nominal = count / 100.0;
        EXPECT_GE(ms, nominal * 0.9) << count;
        EXPECT_LE(ms, nominal * 1.1 + 2.0) << count;
    }
}

TEST(UsbDecode, MarkedSamplesOnlyCarryTheByteLeastSignificantBitFirst)
{
    ScriptedBench b;
    const uint8_t M = kUsbMarkerBit, D = kUsbDataInBit;
    // Marked bits 1,0,1,0,0,0,0,0 with unmarked noise (bit 3 set) between.
    Samples rb = {D, M | D, D, M, D, M | D, M, D, M, M, D, M, M, D};
    std::copy(rb.begin(), rb.end(), b.usb.ReadBackBuffer);
    EXPECT_EQ(b.usb.DecodeMarkedByte(static_cast<uint32_t>(rb.size())), 0x05);
    // Only the first n bytes count.
    EXPECT_EQ(b.usb.DecodeMarkedByte(2), 0x80);

    MarkedByteDecoder dec;
    uint8_t out = 0;
    int bytes = 0;
    for (uint8_t s : rb) bytes += dec.Feed(s, out);
    EXPECT_EQ(bytes, 1);
    EXPECT_EQ(out, 0x05);
}

TEST(UsbDecode, ReadDataLineLooksOnlyAtMarkedSamples)
{
    struct Case {
        const char* name;
        std::function<uint8_t(uint8_t)> capture;
        bool expect;
    } cases[] = {
        {"marked low, unmarked high",
         [](uint8_t b) { return (b & kUsbMarkerBit) ? uint8_t(b & ~kUsbDataInBit) : uint8_t(b | kUsbDataInBit); },
         false},
        {"marked high, unmarked low",
         [](uint8_t b) { return (b & kUsbMarkerBit) ? uint8_t(b | kUsbDataInBit) : uint8_t(b & ~kUsbDataInBit); },
         true},
    };
    for (const Case& c : cases) {
        ScriptedBench b;
        b.d2xx.capture = c.capture;
        EXPECT_EQ(b.pp.ReadDataLine(), c.expect) << c.name;
    }
}

TEST(UsbDecode, ReadDataLineFollowsPgdOnTheAdapter)
{
    UsbBench b;
    b.pp.SetDataLine(true);
    EXPECT_FALSE(b.pp.ReadDataLine());
    b.pp.SetDataLine(false);
    EXPECT_TRUE(b.pp.ReadDataLine());
}

TEST(UsbExchange, CompleteWriteEndsTheAttemptsEvenWithEchoesMissing)
{
    ScriptedBench b;
    b.d2xx.echoDeficit = 7;
    for (int i = 0; i < 50; ++i) b.pp.SyncWait();
    EXPECT_EQ(b.usb.FlushSamples(), 50u);
    EXPECT_EQ(b.d2xx.writeSizes, (std::vector<uint32_t>{50}));
    EXPECT_EQ(b.d2xx.readSizes, (std::vector<uint32_t>{50}));
}

// A short write resends the rest. The resend starts after every image the
// library took, also when fewer echoes have come back yet: resending from
// the echo count would put images out twice and shift every later clock.
TEST(UsbExchange, ShortWriteResendsTheUnsentTailOnce)
{
    struct Case {
        const char* name;
        std::deque<uint32_t> limits;
        uint32_t echoDeficit;
    } cases[] = {
        {"echoes match", {40}, 0},
        {"echoes lag", {40}, 10},
        {"two short writes", {30, 25}, 0},
        {"nothing taken once", {0, 60}, 0},
    };
    for (const Case& c : cases) {
        ScriptedBench b;
        b.d2xx.writeLimits = c.limits;
        b.d2xx.echoDeficit = c.echoDeficit;
        Samples queued;
        for (int i = 0; i < 100; ++i) {
            b.usb.UsbPinImage = static_cast<uint8_t>(i);
            b.usb.AppendSample();
            queued.push_back(static_cast<uint8_t>(i));
        }
        EXPECT_EQ(b.usb.FlushSamples(), 100u) << c.name;
        EXPECT_EQ(b.d2xx.accepted, queued) << c.name;
        EXPECT_TRUE(std::equal(queued.begin(), queued.end(), b.usb.SampleBuffer))
            << c.name << ": the queued images are kept for a repeat";
        EXPECT_TRUE(b.host.log.empty()) << c.name;
    }
}

TEST(UsbExchange, WriteThatNeverCompletesIsAbandonedAfter101Attempts)
{
    ScriptedBench b;
    b.d2xx.writeLimits = std::deque<uint32_t>(200, 0);
    for (int i = 0; i < 10; ++i) b.pp.SyncWait();
    EXPECT_EQ(b.usb.FlushSamples(), 0u);
    EXPECT_EQ(b.d2xx.writeSizes.size(), 101u);
    EXPECT_EQ(b.usb.SampleCount, 0u);
}

TEST(UsbExchange, ShortWriteOnTheAdapterStillReadsTheDeviceId)
{
    for (uint32_t call : {1u, 3u, 6u}) {
        auto cfg = StationFor(sim::Adapters::Vantrel, sim::ChipType::PIC18F2520);
        cfg.vantrelFaults.shortWriteCall = call;
        cfg.vantrelFaults.shortWriteBytes = 3;
        UsbBench b(kProfile2520, cfg);
        auto [d1, d2] = b.ReadDeviceId();
        EXPECT_EQ(d1, b.st.chip().devid1()) << call;
        EXPECT_EQ(d2, b.st.chip().devid2()) << call;
    }
}

// Outside programming mode PGD floats high, so a complete byte read gives
// FFh. A read-back that loses the last 20 of the pattern's 113 captures
// loses its last four marked samples (at 93, 99, 105 and 111): the four that
// arrived are shifted in from the top, and nothing is reported.
TEST(UsbExchange, TimedOutReadBackDecodesOnlyWhatArrived)
{
    UsbBench b;
    b.pp.SendCommand(kCmdTableRead, false);
    EXPECT_EQ(b.pp.ReadDataByte(), 0xFF);
    b.st.vantrel().faults().shortReadCall = b.st.vantrel().callCount("FT_Read") + 2;
    b.st.vantrel().faults().shortReadMissing = 20;
    b.pp.SendCommand(kCmdTableRead, false);
    EXPECT_EQ(b.pp.ReadDataByte(), 0xF0);
    EXPECT_TRUE(b.host.errors.empty()) << "a short read is not reported";
    EXPECT_TRUE(b.host.log.empty());
}

TEST(FtErrors, DialogTextsByStatus)
{
    struct Case {
        FT_STATUS status;
        const char* text;
    } cases[] = {
        {1, "Op - Invalid handle..."},          {2, "Op - Device not found..."},
        {3, "Op - Device not opened..."},       {4, "Op - General IO error..."},
        {5, "Op - Insufficient resources..."},  {6, "Op - Invalid parameter..."},
        {7, "Op - Invalid baud rate..."},       {8, "Op Device not opened for erase..."},
        {9, "Op Device not opened for write..."}, {10, "Op - Failed to write..."},
        {11, "Op - EEPROM read failed..."},     {12, "Op - EEPROM write failed..."},
        {13, "Op - EEPROM erase failed..."},    {14, "Op - EEPROM not present..."},
        {15, "Op - EEPROM not programmed..."},  {16, "Op - Invalid arguments..."},
        {17, "Op - Other error ..."},           {18, ""},
        {1000, ""},
    };
    for (const Case& c : cases) {
        ScriptedBench b;
        b.host.errors.clear();
        b.usb.ReportFtError("Op", c.status);
        EXPECT_EQ(b.host.errors, (std::vector<std::string>{c.text})) << c.status;
    }
    ScriptedBench b;
    b.host.errors.clear();
    b.usb.ReportFtError("Op", FT_OK);
    EXPECT_TRUE(b.host.errors.empty());
}

// Status 9 has no dash: the operation name runs straight into the text. A
// write that keeps failing shows it once, not on every exchange.
TEST(FtErrors, WriteNotOpenedForWriteShowsItsDialogOnce)
{
    auto cfg = StationFor(sim::Adapters::Vantrel);
    cfg.vantrelFaults.failingCalls.push_back({"FT_Write", 0, FT_DEVICE_NOT_OPENED_FOR_WRITE});
    UsbBench b(kProfile4620, cfg);
    b.pp.SetMclrLine(true);
    b.pp.SetMclrLine(false);
    EXPECT_EQ(std::count(b.host.errors.begin(), b.host.errors.end(),
                         std::string("FT_Write Device not opened for write...")),
              1);
}

// The exchange's own calls name themselves in their dialogs; the purge runs
// only when captures from before are waiting.
TEST(FtErrors, ExchangeCallsNameThemselvesInTheirDialogs)
{
    struct Case {
        const char* call;
        bool staleBytes;
        const char* dialog;
    } cases[] = {
        {"FT_Read", false, "FT_Read - Insufficient resources..."},
        {"FT_Purge", true, "FT_Purge RX - Insufficient resources..."},
        {"FT_GetQueueStatus", false, "FT_GetQueueStatus - Insufficient resources..."},
    };
    for (const Case& c : cases) {
        UsbBench b;
        if (c.staleBytes) {
            const uint8_t junk[3] = {0x10, 0x10, 0x10};
            uint32_t w = 0;
            b.st.d2xx().FT_Write(b.usb.Handle, junk, 3, &w);
            b.st.clock().advance(5 * sim::kNsPerMs);
        }
        b.st.vantrel().faults().failingCalls.push_back({c.call, 0, FT_INSUFFICIENT_RESOURCES});
        b.host.errors.clear();
        b.pp.SyncWait();
        b.usb.FlushSamples();
        ASSERT_FALSE(b.host.errors.empty()) << c.call;
        EXPECT_EQ(b.host.errors.front(), c.dialog) << c.call;
    }
}

// A failing poll shows its dialog once: with PollsPerMs = 3, DelayUnits(250)
// polls once before the write, 4 x 3 + 1 times for the echoes (a failing poll
// never raises the count), not at all after the read (the count is 0), and
// then 2 x 3 + 1 times for the delay: 21 failing polls, one dialog, because
// the queue status never succeeds in between. Once it has succeeded, its next
// failure shows again.
TEST(FtErrors, RepeatedFailureShowsOneDialogUntilTheCallSucceeds)
{
    ScriptedBench b;
    b.d2xx.fail["FT_GetQueueStatus"] = FT_IO_ERROR;
    b.host.errors.clear();
    const int before = b.d2xx.queueCalls;
    b.pp.DelayUnits(250);
    EXPECT_EQ(b.d2xx.queueCalls - before, 21) << "every poll still reaches the library";
    EXPECT_EQ(b.host.errors, std::vector<std::string>(1, "FT_GetQueueStatus - General IO error..."));

    // The queue status answers again: a later failure is a new event.
    b.d2xx.fail.clear();
    b.pp.DelayUnits(0);
    EXPECT_EQ(b.host.errors.size(), 1u);
    b.d2xx.fail["FT_GetQueueStatus"] = FT_IO_ERROR;
    b.pp.DelayUnits(0);
    ASSERT_EQ(b.host.errors.size(), 2u);
    EXPECT_EQ(b.host.errors[1], "FT_GetQueueStatus - General IO error...");
}

// An adapter pulled off mid-exchange fails every call of every loop: each
// kind of failure is shown once, not once per poll and write attempt.
TEST(FtErrors, UnpluggedAdapterShowsEachFailureOnce)
{
    auto cfg = StationFor(sim::Adapters::Vantrel);
    UsbBench b(kProfile4620, cfg);
    b.host.errors.clear();
    b.st.vantrel().unplugNow();
    b.pp.SetMclrLine(true);
    b.pp.DelayUnits(4000);
    ASSERT_FALSE(b.host.errors.empty());
    std::set<std::string> distinct(b.host.errors.begin(), b.host.errors.end());
    EXPECT_EQ(distinct.size(), b.host.errors.size()) << "a failure was shown twice";
    EXPECT_LE(b.host.errors.size(), 4u);
}

TEST(UsbOpen, ConfiguresTheAdapterAndCalibrates)
{
    UsbBench b;
    auto& v = b.st.vantrel();
    EXPECT_TRUE(b.usb.UsbAdapterOpen);
    EXPECT_TRUE(v.open());
    EXPECT_EQ(v.bitMask(), 0xF7);
    EXPECT_EQ(v.bitMode(), FT_BITMODE_SYNC_BITBANG);
    EXPECT_EQ(v.latencyMs(), 1);
    EXPECT_EQ(v.readTimeoutMs(), 5000u);
    EXPECT_EQ(v.writeTimeoutMs(), 5000u);
    EXPECT_EQ(v.baudRate(), 153600u);
    // One poll costs tens of microseconds on the bench.
    EXPECT_GE(b.usb.PollsPerMs, 5u);
    EXPECT_LE(b.usb.PollsPerMs, 200u);
    EXPECT_TRUE(b.host.errors.empty());
}

TEST(UsbOpen, SecondOpenDoesNotCallTheLibrary)
{
    UsbBench b;
    const uint32_t ppm = b.usb.PollsPerMs;
    EXPECT_TRUE(b.usb.OpenUsbAdapter());
    EXPECT_EQ(b.d2xx.calls, 0u);
    EXPECT_EQ(b.usb.PollsPerMs, ppm);
}

TEST(UsbOpen, DescriptionMustMatchExactly)
{
    struct Case {
        const char* name;
        sim::Adapters adapters;
        std::vector<std::string> others;
        size_t index;
        bool found;
    } cases[] = {
        {"case variants only", sim::Adapters::Kerdis, {"vantrel", "VANTREL", "Vantrel "}, 0, false},
        {"after decoys", sim::Adapters::Vantrel, {"USB <-> Serial", "vantrel"}, 2, true},
        {"first of the list", sim::Adapters::Vantrel, {"vantrel"}, 0, true},
        {"no devices", sim::Adapters::Kerdis, {}, 0, false},
    };
    for (const Case& c : cases) {
        auto cfg = StationFor(c.adapters);
        cfg.otherUsbDevices = c.others;
        cfg.vantrelIndex = c.index;
        Bench b(kProfile4620, cfg);
        EXPECT_EQ(b.usb.OpenUsbAdapter(), c.found) << c.name;
        EXPECT_EQ(b.d2xx.opens, c.found ? 1u : 0u) << c.name;
        EXPECT_EQ(b.st.vantrel().open(), c.found) << c.name;
        EXPECT_TRUE(b.host.errors.empty()) << c.name;
    }
}

TEST(UsbOpen, FailedDescriptionReadShowsItsDialogAndTheSearchGoesOn)
{
    auto cfg = StationFor(sim::Adapters::Vantrel);
    // Call 1 counts, call 2 is the description of device 0.
    cfg.vantrelFaults.failingCalls.push_back({"FT_ListDevices", 2, FT_IO_ERROR});
    Bench b(kProfile4620, cfg);
    EXPECT_TRUE(b.usb.OpenUsbAdapter());
    EXPECT_EQ(b.host.errors, (std::vector<std::string>{"GetFTDeviceDescription - General IO error..."}));
}

TEST(UsbOpen, ConfigurationFailuresShowDialogsButTheAdapterIsOpen)
{
    for (const char* call : {"FT_SetBitMode", "FT_SetLatencyTimer", "FT_SetTimeouts", "FT_SetBaudRate"}) {
        auto cfg = StationFor(sim::Adapters::Vantrel);
        cfg.vantrelFaults.failingCalls.push_back({call, 0, FT_IO_ERROR});
        Bench b(kProfile4620, cfg);
        EXPECT_TRUE(b.usb.OpenUsbAdapter()) << call;
        ASSERT_EQ(b.host.errors.size(), 1u) << call;
        const std::string name = std::string(call) == "FT_SetBitMode"        ? "FT_SetBitMode "
                                 : std::string(call) == "FT_SetLatencyTimer" ? "FT_SetLatencyTimer "
                                                                             : call;
        EXPECT_EQ(b.host.errors[0], name + " - General IO error...");
    }
}

TEST(UsbOpen, FailedOpenLeavesTheAdapterClosedAndIsRetried)
{
    auto cfg = StationFor(sim::Adapters::Vantrel);
    cfg.vantrelFaults.failingCalls.push_back({"FT_OpenEx", 1, FT_DEVICE_NOT_OPENED});
    Bench b(kProfile4620, cfg);
    EXPECT_FALSE(b.usb.OpenUsbAdapter());
    EXPECT_FALSE(b.usb.UsbAdapterOpen);
    EXPECT_EQ(b.host.errors,
              (std::vector<std::string>{"Open_USB_Device_By_Device_Description - Device not opened..."}));
    EXPECT_TRUE(b.usb.OpenUsbAdapter());
    EXPECT_EQ(b.d2xx.opens, 2u);
}

TEST(UsbOpen, FailedCountEndsTheSearch)
{
    ScriptedBench b;  // opened once on construction
    ScriptedD2xx d;
    d.fail["FT_ListDevices"] = FT_OTHER_ERROR;
    RecordingHost host;
    TickPerCalls ticks;
    FtFunkc usb(host, d, ticks);
    EXPECT_FALSE(usb.OpenUsbAdapter());
    EXPECT_EQ(host.errors, (std::vector<std::string>{"GetFTDeviceCount - Other error ..."}));
    EXPECT_TRUE(b.opened);
}

} // namespace
} // namespace korv::test
