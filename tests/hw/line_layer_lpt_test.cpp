// Line layer on the parallel port, against the simulated Kerdis adapter:
// register values, shadow bits, the echo handshake with its poll limit, and
// the variant difference of the MCLR switch-on.
#include <gtest/gtest.h>

#include "tests/hw/bench.h"

namespace korv::test {
namespace {

constexpr uint16_t kData = 0x378, kStatus = 0x379, kControl = 0x37A;

struct LptBench : Bench {
    explicit LptBench(const VariantProfile& p = kProfile4620, sim::Adapters a = sim::Adapters::Kerdis)
        : Bench(p, StationFor(a))
    {
        port.Clear();
    }
};

// Number of data-register writes that changed the handshake bit: four per
// handshake cycle.
size_t SyncEdges(const std::vector<uint8_t>& writes, uint8_t startShadow)
{
    size_t n = 0;
    uint8_t prev = startShadow;
    for (uint8_t w : writes) {
        if ((w ^ prev) & kLptSyncOut) ++n;
        prev = w;
    }
    return n;
}

TEST(LptLines, ClockLineWritesOnlyPgcToTheControlRegister)
{
    LptBench b;
    b.pp.SetClockLine(true);
    b.pp.SetClockLine(false);
    b.pp.SetClockLine(true);
    EXPECT_EQ(b.port.Writes(kControl), (std::vector<uint8_t>{0x01, 0x00, 0x01}));
    EXPECT_TRUE(b.port.Writes(kData).empty());
    EXPECT_EQ(b.st.kerdis().controlRegister(), 0x01);
}

TEST(LptLines, DataAndSyncLinesChangeOnlyTheirBitsOfTheShadow)
{
    LptBench b;
    struct Step {
        void (PortProg::*op)(bool);
        bool arg;
        uint8_t expect;
    } steps[] = {
        {&PortProg::SetDataLine, true, 0x09},   {&PortProg::SetSyncLine, false, 0x0B},
        {&PortProg::SetDataLine, false, 0x0A},  {&PortProg::SetSyncLine, true, 0x08},
        {&PortProg::SetDataLine, true, 0x09},   {&PortProg::SetSyncLine, true, 0x09},
    };
    for (const Step& s : steps) {
        (b.pp.*s.op)(s.arg);
        EXPECT_EQ(b.pp.LptDataShadow, s.expect);
        EXPECT_EQ(b.st.kerdis().dataRegister(), s.expect);
    }
    EXPECT_TRUE(b.port.Writes(kControl).empty());
}

TEST(LptLines, FixedDataBitsSurviveEveryOperation)
{
    for (const VariantProfile* p : {&kProfile4620, &kProfile2520}) {
        LptBench b(*p);
        b.ReadDeviceId();
        b.pp.SetSyncLine(false);
        b.pp.SetMclrLine(true);
        b.pp.SetMclrLine(true);
        b.pp.SetMclrLine(false);
        auto writes = b.port.Writes(kData);
        ASSERT_FALSE(writes.empty());
        for (uint8_t w : writes) {
            EXPECT_EQ(w & kLptAlwaysOne, kLptAlwaysOne) << p->programName;
            EXPECT_EQ(w & 0xE0, 0) << p->programName;
        }
        EXPECT_EQ(b.st.kerdis().writesChangingFixedBits(), 0u);
        for (uint8_t c : b.port.Writes(kControl)) EXPECT_LE(c, 0x01);
    }
}

// The modupd4620 adapter raises its pre-VPP line during the settling delay;
// the modupd2520 adapter has none. Both settle 4000 units (4001 cycles).
TEST(LptLines, MclrSwitchOnByVariant)
{
    struct Case {
        const VariantProfile* profile;
        uint8_t firstWrite;
    } cases[] = {{&kProfile4620, 0x0C}, {&kProfile2520, 0x08}};
    for (const Case& c : cases) {
        LptBench b(*c.profile);
        b.pp.SetMclrLine(true);
        auto w = b.port.Writes(kData);
        ASSERT_GE(w.size(), 2u);
        EXPECT_EQ(w.front(), c.firstWrite) << c.profile->programName;
        EXPECT_EQ(w.back(), 0x18) << c.profile->programName;
        std::vector<uint8_t> between(w.begin() + 1, w.end() - 1);
        EXPECT_EQ(SyncEdges(between, w.front()), 4u * 4001u);
        for (uint8_t x : between) EXPECT_EQ(x & (kLptPreVpp | kLptVpp), c.firstWrite & kLptPreVpp);
        EXPECT_EQ(b.st.kerdis().preVppPulses(), c.profile->lptPreVppBit ? 1u : 0u);

        b.port.Clear();
        b.pp.SetMclrLine(false);
        EXPECT_EQ(b.port.Writes(kData), (std::vector<uint8_t>{0x08}));
    }
}

// The modupd2520 switch-on leaves bit 2 as it is; after any earlier
// SetMclrLine it is 0, and a stray bit 2 set by hand is cleared with VPP on.
TEST(LptLines, MclrSwitchOnIn2520KeepsBitTwoUntilVppIsApplied)
{
    LptBench b(kProfile2520);
    b.pp.LptDataShadow = 0x0C;
    b.pp.SetMclrLine(true);
    auto w = b.port.Writes(kData);
    EXPECT_EQ(w.front(), 0x0C);
    EXPECT_EQ(w.back(), 0x18);
}

TEST(LptHandshake, AdapterPresentAnswersBothCountedEdgesAndLeavesBitOneLow)
{
    LptBench b;
    b.pp.SyncWait();
    EXPECT_TRUE(b.pp.AdapterPresent);
    EXPECT_EQ(b.pp.LptDataShadow & kLptSyncOut, 0);
    EXPECT_EQ(SyncEdges(b.port.Writes(kData), 0x08), 4u);
    // A present adapter answers every wait long before the limit.
    EXPECT_LT(b.port.Reads(kStatus), 100u);
}

// Which handshake edges the adapter echoes decides presence: only an echo
// of both counted edges (the third and fourth wait) counts.
TEST(LptHandshake, PartialEchoesLeaveAdapterAbsent)
{
    struct Case {
        const char* name;
        bool noEcho;
        uint8_t phaseMask;
        sim::Adapters adapters;
        bool present;
    } cases[] = {
        {"all edges", false, 0x0F, sim::Adapters::Kerdis, true},
        {"first two only", false, 0x03, sim::Adapters::Kerdis, false},
        // echoes only the edges the first two waits of a cycle look for
        {"first two waits only", false, 0x09, sim::Adapters::Kerdis, false},
        {"second missing", false, 0x0D, sim::Adapters::Kerdis, false},
        {"third missing", false, 0x0B, sim::Adapters::Kerdis, false},
        {"no echo", true, 0x0F, sim::Adapters::Kerdis, false},
        {"bare port", false, 0x0F, sim::Adapters::None, false},
    };
    for (const Case& c : cases) {
        auto cfg = StationFor(c.adapters);
        cfg.kerdisFaults.noEcho = c.noEcho;
        cfg.kerdisFaults.phaseMask = c.phaseMask;
        Bench b(kProfile4620, cfg);
        b.pp.SyncWait();
        EXPECT_EQ(b.pp.AdapterPresent, c.present) << c.name;
        EXPECT_EQ(b.pp.LptDataShadow & kLptSyncOut, 0) << c.name;
    }
}

// Without an echo each wait for the level that status bit 6 does not show
// gives up after 1201 polls; the other two waits see their level at once.
TEST(LptHandshake, EveryUnansweredWaitEndsAfter1201Polls)
{
    for (sim::Adapters a : {sim::Adapters::None, sim::Adapters::Kerdis}) {
        auto cfg = StationFor(a);
        cfg.kerdisFaults.noEcho = true;
        Bench b(kProfile4620, cfg);
        b.port.Clear();
        b.pp.SyncWait();
        EXPECT_EQ(b.port.Reads(kStatus), 2u * 1201u + 2u);
        b.port.Clear();
        b.pp.DelayUnits(2);
        EXPECT_EQ(b.port.Reads(kStatus), 3u * (2u * 1201u + 2u));
        EXPECT_EQ(SyncEdges(b.port.Writes(kData), 0x08), 3u * 4u);
    }
}

TEST(LptHandshake, DelayUnitsRunsCountPlusOneCycles)
{
    struct Case {
        uint16_t count;
        size_t cycles;
    } cases[] = {{0, 1}, {1, 2}, {120, 121}, {4000, 4001}};
    for (const Case& c : cases) {
        LptBench b;
        b.pp.DelayUnits(c.count);
        EXPECT_EQ(SyncEdges(b.port.Writes(kData), 0x08), 4u * c.cycles) << c.count;
        EXPECT_FALSE(b.pp.AdapterPresent) << "DelayUnits does not count answers";
    }
}

TEST(LptHandshake, DelayUnitsOfTheLargestCountRunsAllCycles)
{
    LptBench b;
    b.port.recording = false;
    uint64_t before = b.st.kerdis().syncEdges();
    b.pp.DelayUnits(65535);
    EXPECT_EQ(b.st.kerdis().syncEdges() - before, 4u * 65536u);
}

TEST(LptLines, ClockPulseIsHighForOneHandshakeCycle)
{
    LptBench b;
    b.pp.ClockPulse();
    ASSERT_EQ(b.port.Writes(kControl), (std::vector<uint8_t>{0x01, 0x00}));
    // SyncWait, high, SyncWait, low, SyncWait: one cycle on each side.
    size_t cyclesBeforeHigh = 0, cyclesHigh = 0, cyclesAfter = 0;
    size_t* current = &cyclesBeforeHigh;
    uint8_t prev = 0x08;
    for (const auto& a : b.port.accesses) {
        if (!a.write) continue;
        if (a.port == kControl) {
            current = a.value ? &cyclesHigh : &cyclesAfter;
            continue;
        }
        if ((a.value ^ prev) & kLptSyncOut) ++*current;
        prev = a.value;
    }
    EXPECT_EQ(cyclesBeforeHigh, 4u);
    EXPECT_EQ(cyclesHigh, 4u);
    EXPECT_EQ(cyclesAfter, 4u);
}

TEST(LptLines, ReadDataLineIsTheInvertedStatusBit)
{
    LptBench b;
    // No chip drives PGD outside programming mode: released it reads high,
    // pulled low by the adapter it reads low.
    b.pp.SetDataLine(false);
    EXPECT_TRUE(b.pp.ReadDataLine());
    b.pp.SetDataLine(true);
    EXPECT_FALSE(b.pp.ReadDataLine());
}

TEST(LptIcsp, ByteReadWithPgdFloatingReturnsFF)
{
    LptBench b;
    b.pp.SendCommand(kCmdTableRead, false);
    EXPECT_EQ(b.pp.ReadDataByte(), 0xFF);
    EXPECT_EQ(b.pp.LptDataShadow & kLptPgdDrive, kLptPgdDrive) << "PGD pulled low after the read";
    EXPECT_EQ(b.st.kerdis().controlRegister(), 0x00);
}

} // namespace
} // namespace korv::test
