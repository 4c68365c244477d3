// The ICSP primitives driven against the chip model through both adapters:
// the model decodes from pin edges only, so wrong bit order, framing, clocks
// or holds show as wrong values, transactions or violations.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "tests/hw/bench.h"

namespace korv::test {
namespace {

struct ChipCase {
    const VariantProfile* profile;
    sim::ChipType chip;
    sim::Adapters adapter;
    const char* name;
};

class IcspOnChip : public ::testing::TestWithParam<ChipCase> {
protected:
    void SetUp() override
    {
        const ChipCase& c = GetParam();
        bench = std::make_unique<Bench>(*c.profile, StationFor(c.adapter, c.chip));
        if (c.adapter == sim::Adapters::Vantrel) {
            ASSERT_TRUE(bench->SelectUsb());
        }
    }
    std::unique_ptr<Bench> bench;
};

TEST_P(IcspOnChip, DeviceIdReadsTheModelsDevidBytesWithoutViolations)
{
    auto [d1, d2] = bench->ReadDeviceId();
    EXPECT_EQ(d1, bench->st.chip().devid1());
    EXPECT_EQ(d2, bench->st.chip().devid2());
    for (const auto& v : bench->st.chip().violations())
        ADD_FAILURE() << sim::violationName(v.kind) << ": " << v.detail;
    EXPECT_TRUE(bench->host.errors.empty());
    EXPECT_TRUE(bench->host.log.empty());
}

INSTANTIATE_TEST_SUITE_P(
    BothAdaptersBothVariants, IcspOnChip,
    ::testing::Values(
        ChipCase{&kProfile4620, sim::ChipType::PIC18F4620, sim::Adapters::Kerdis, "F4620_lpt"},
        ChipCase{&kProfile4620, sim::ChipType::PIC18F452, sim::Adapters::Kerdis, "F452_lpt"},
        ChipCase{&kProfile4620, sim::ChipType::PIC18F452, sim::Adapters::Vantrel, "F452_usb"},
        ChipCase{&kProfile4620, sim::ChipType::PIC18F4620, sim::Adapters::Vantrel, "F4620_usb"},
        ChipCase{&kProfile2520, sim::ChipType::PIC18F2520, sim::Adapters::Kerdis, "F2520_lpt"},
        ChipCase{&kProfile2520, sim::ChipType::PIC18F2520, sim::Adapters::Vantrel, "F2520_usb"},
        ChipCase{&kProfile2520, sim::ChipType::PIC18F252, sim::Adapters::Vantrel, "F252_usb"}),
    [](const auto& info) { return std::string(info.param.name); });

// Core instructions the chip executed since the log was cleared.
std::vector<uint16_t> CoreLog(sim::Pic18& chip)
{
    std::vector<uint16_t> out;
    for (size_t i = 0; i < chip.logSize(); ++i)
        if (chip.logAt(i).kind == sim::TxKind::Core) out.push_back(chip.logAt(i).operand);
    return out;
}

void EnterProgramming(PortProg& pp)
{
    pp.SetClockLine(false);
    pp.SetDataLine(true);
    pp.DelayUnits(100);
    pp.SetMclrLine(true);
    pp.DelayUnits(50);
}

TEST_P(IcspOnChip, TablePointerInstructionsReachTheChipInOrder)
{
    auto& chip = bench->st.chip();
    EnterProgramming(bench->pp);
    chip.clearLog();
    bench->pp.SetTablePointer(0x3FFFFE);
    bench->pp.SyncWait();
    bench->pp.DelayUnits(0);  // lets the USB queue out
    EXPECT_EQ(CoreLog(chip), (std::vector<uint16_t>{0x0EFE, 0x6EF6, 0x0EFF, 0x6EF7, 0x0E3F, 0x6EF8}));
    EXPECT_EQ(chip.tblptr(), 0x3FFFFEu);

    chip.clearLog();
    bench->pp.ClearTablePointer();
    bench->pp.DelayUnits(0);
    EXPECT_EQ(CoreLog(chip), (std::vector<uint16_t>{0x0E00, 0x6EF6, 0x6EF7, 0x6EF8}));
    EXPECT_EQ(chip.tblptr(), 0u);
}

// Table reads after SetTablePointer(0x3FFFFE) post-increment through DEVID1
// and DEVID2; a read of flash returns what the model holds, bit for bit.
TEST_P(IcspOnChip, TableReadsReturnTheModelsBytes)
{
    auto& chip = bench->st.chip();
    const uint8_t values[] = {0x05, 0xA0, 0x00, 0xFF, 0x81, 0x3C};
    for (size_t i = 0; i < sizeof values; ++i) chip.flash()[0x100 + i] = values[i];
    EnterProgramming(bench->pp);
    bench->pp.SetTablePointer(0x100);
    for (uint8_t v : values) {
        bench->pp.SendCommand(kCmdTableRead, false);
        EXPECT_EQ(bench->pp.ReadDataByte(), v);
    }
    EXPECT_EQ(chip.tblptr(), 0x100u + sizeof values);
    EXPECT_TRUE(chip.violations().empty());
}

// Between primitives PGC is low and PGD pulled low, so that the chip never
// sees a stray edge; only the USB byte read leaves PGD released.
TEST_P(IcspOnChip, PrimitivesLeaveClockLowAndDataPulledLow)
{
    const bool usb = GetParam().adapter == sim::Adapters::Vantrel;
    struct Step {
        const char* name;
        std::function<void(PortProg&)> op;
        bool releasesPgd;
    } steps[] = {
        {"SendCommand", [](PortProg& p) { p.SendCommand(kCmdTableRead, false); }, false},
        {"SendCommand hold", [](PortProg& p) { p.SendCommand(0, true); }, false},
        {"SendCoreInstruction", [](PortProg& p) { p.SendCoreInstruction(0x0E55); }, false},
        {"WriteDataWord", [](PortProg& p) { p.WriteDataWord(0xFFFF); }, false},
        {"ReadDataByte", [](PortProg& p) { p.ReadDataByte(); }, usb},
        {"SetTablePointer", [](PortProg& p) { p.SetTablePointer(0x123456); }, false},
        {"ClearTablePointer", [](PortProg& p) { p.ClearTablePointer(); }, false},
    };
    bench->pp.SetClockLine(true);
    bench->pp.SetDataLine(false);
    for (const Step& s : steps) {
        s.op(bench->pp);
        bool pgcHigh, pgdPulled;
        if (usb) {
            bench->usb.FlushSamples();
            uint8_t pins = bench->st.vantrel().pins();
            pgcHigh = (pins & kUsbClockBit) == 0;
            pgdPulled = (pins & kUsbDataBit) != 0;
        } else {
            pgcHigh = (bench->st.kerdis().controlRegister() & kLptControlPgc) != 0;
            pgdPulled = (bench->st.kerdis().dataRegister() & kLptPgdDrive) != 0;
        }
        EXPECT_FALSE(pgcHigh) << s.name;
        EXPECT_EQ(pgdPulled, !s.releasesPgd) << s.name;
        bench->pp.SetClockLine(true);
        bench->pp.SetDataLine(false);
    }
}

// One write-buffer block programmed with start programming and the held
// NOP: the chip programs it (the hold is long enough) and reads it back.
TEST_P(IcspOnChip, HeldProgrammingCommandProgramsARowWithoutViolation)
{
    auto& chip = bench->st.chip();
    std::fill(chip.flash().begin(), chip.flash().end(), 0xFF);
    const unsigned words = chip.info().bufferBytes / 2;
    const uint32_t base = 0x0400;
    auto word = [](unsigned i) { return static_cast<uint16_t>(0x1234 + i * 0x0101); };

    PortProg& pp = bench->pp;
    EnterProgramming(pp);
    // Single-panel writes on the FXX2 chips (a plain register on the others).
    pp.SetTablePointer(0x3C0006);
    pp.SendCommand(kCmdTableWrite, false);
    pp.WriteDataWord(0x0000);
    pp.SendCoreInstruction(0x8EA6);
    pp.SendCoreInstruction(0x9CA6);
    pp.SendCoreInstruction(0x84A6);
    pp.SetTablePointer(base);
    for (unsigned i = 0; i < words; ++i) {
        pp.SendCommand(i + 1 < words ? kCmdTableWriteInc2 : kCmdTableWriteStart, false);
        pp.WriteDataWord(word(i));
    }
    pp.SendCommand(kCmdCoreInstruction, true);
    pp.WriteDataWord(0x0000);
    pp.DelayUnits(10);

    for (const auto& v : chip.violations()) ADD_FAILURE() << sim::violationName(v.kind) << ": " << v.detail;
    EXPECT_EQ(chip.counts().programs, 1u);
    for (unsigned i = 0; i < words; ++i) {
        EXPECT_EQ(chip.flash()[base + 2 * i], word(i) & 0xFF) << i;
        EXPECT_EQ(chip.flash()[base + 2 * i + 1], word(i) >> 8) << i;
    }
    pp.SetTablePointer(base);
    for (unsigned i = 0; i < words; ++i) {
        pp.SendCommand(kCmdTableRead, false);
        uint16_t lo = pp.ReadDataByte();
        pp.SendCommand(kCmdTableRead, false);
        uint16_t hi = pp.ReadDataByte();
        EXPECT_EQ(static_cast<uint16_t>(lo | hi << 8), word(i)) << i;
    }
}

// The bits the chip latches on each falling PGC edge, as PGD levels the host
// drove (1 = released): read from the adapter's own output registers.
std::vector<int> LatchedBitsLpt(const RecordingPort& port)
{
    std::vector<int> bits;
    uint8_t data = 0x08;
    bool high = false;
    for (const auto& a : port.accesses) {
        if (!a.write) continue;
        if (a.port == 0x378) data = a.value;
        if (a.port == 0x37A) {
            bool h = a.value & 1;
            if (high && !h) bits.push_back((data & kLptPgdDrive) ? 0 : 1);
            high = h;
        }
    }
    return bits;
}

std::vector<int> LatchedBitsUsb(const std::vector<uint8_t>& samples, bool startHigh)
{
    std::vector<int> bits;
    bool high = startHigh;
    for (uint8_t s : samples) {
        bool h = (s & kUsbClockBit) == 0;
        if (high && !h) bits.push_back((s & kUsbDataBit) ? 0 : 1);
        high = h;
    }
    return bits;
}

TEST_P(IcspOnChip, CommandAndInstructionBitsGoLeastSignificantFirst)
{
    const bool usb = GetParam().adapter == sim::Adapters::Vantrel;
    struct Case {
        const char* name;
        std::function<void(PortProg&)> op;
        std::vector<int> bits;
    } cases[] = {
        {"command 1001", [](PortProg& p) { p.SendCommand(9, false); }, {1, 0, 0, 1}},
        {"command 1100 held", [](PortProg& p) { p.SendCommand(12, true); }, {0, 0, 1, 1}},
        {"MOVLW 55h",
         [](PortProg& p) { p.SendCoreInstruction(0x0E55); },
         {0, 0, 0, 0, 1, 0, 1, 0, 1, 0, 1, 0, 0, 1, 1, 1, 0, 0, 0, 0}},
        {"operand 8001h",
         [](PortProg& p) { p.WriteDataWord(0x8001); },
         {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        bench->port.Clear();
        bench->d2xx.written.clear();
        bench->usb.FlushSamples();
        bench->d2xx.written.clear();
        bench->pp.SetClockLine(false);
        c.op(bench->pp);
        bench->usb.FlushSamples();
        auto bits = usb ? LatchedBitsUsb(bench->d2xx.written, false) : LatchedBitsLpt(bench->port);
        EXPECT_EQ(bits, c.bits) << c.name;
    }
}

// The fourth clock of a held command stays high for the programming time;
// the first three are ordinary pulses.
TEST_P(IcspOnChip, HoldStretchesOnlyTheFourthClock)
{
    const bool usb = GetParam().adapter == sim::Adapters::Vantrel;
    if (usb) {
        bench->usb.FlushSamples();
        bench->d2xx.written.clear();
        bench->pp.SendCommand(0, true);
        bench->usb.FlushSamples();
        // Clock low, PGD drive, three times (data bit + eight-sample pulse),
        // the fourth data bit, PGC high and the delay's idle sample: the
        // hold's exchange ends with image 31, PGC high (bit 2 clear).
        auto& w = bench->d2xx.written;
        ASSERT_GE(w.size(), 33u);
        for (int i = 30; i <= 31; ++i) EXPECT_EQ(w[i] & kUsbClockBit, 0) << i;
        EXPECT_EQ(w[32] & kUsbClockBit, kUsbClockBit) << "PGC low after the hold";
        EXPECT_EQ(LatchedBitsUsb(w, false).size(), 4u);
        return;
    }
    bench->port.Clear();
    uint64_t t0 = bench->st.clock().now();
    bench->pp.SendCommand(0, true);
    std::vector<size_t> highCycles;
    std::vector<size_t> lowCycles;  // between a falling edge and the next control write
    bool high = false;
    uint8_t prev = bench->pp.LptDataShadow;
    size_t edges = 0;
    for (const auto& a : bench->port.accesses) {
        if (!a.write) continue;
        if (a.port == 0x37A) {
            if (high && !(a.value & 1))
                highCycles.push_back(edges / 4);
            else if (!high)
                lowCycles.push_back(edges / 4);
            high = a.value & 1;
            edges = 0;
        } else if ((a.value ^ prev) & kLptSyncOut) {
            ++edges;
            prev = a.value;
        } else {
            prev = a.value;
        }
    }
    EXPECT_EQ(highCycles, (std::vector<size_t>{1, 1, 1, 121}));
    ASSERT_FALSE(lowCycles.empty());
    EXPECT_EQ(lowCycles.back(), 11u) << "low time before the operand: DelayUnits(10)";
    EXPECT_GT(bench->st.clock().now() - t0, 0u);
}
} // namespace
} // namespace korv::test
