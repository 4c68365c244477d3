// Programming-mode entry and exit sequences against the chip model: how
// often MCLR rises, how long each entry holds the chip before its first
// command, and the line states they leave.
#include "IcspBench.h"

namespace icsptest {
namespace {

using korv::EntryVariant;

const char* VariantName(EntryVariant v)
{
    static const char* const names[] = {"A", "B", "C", "D", "E"};
    return names[static_cast<int>(v)];
}

// On USB the last line changes wait in the sample buffer until the next
// exchange; send them so the chip model sees the pins as the program left
// them.
void SendQueued(Bench& b)
{
    if (b.core.hw.portProg.ProgrammerKind == korv::Programmer::Usb && b.core.hw.ftFunkc.SampleCount > 0)
        b.core.hw.ftFunkc.FlushSamples();
}

// Simulated milliseconds of one entry sequence, from a chip out of
// programming mode.
double EntryMs(Bench& b, EntryVariant v)
{
    const uint64_t t0 = b.station.clock().now();
    korv::EnterProgramMode(b.core, v);
    SendQueued(b);
    return static_cast<double>(b.station.clock().now() - t0) / korv::sim::kNsPerMs;
}

// Each variant switches MCLR on, off and on again (D only once), ends with
// the chip in programming mode and PGC/PGD low, and waits its delay units
// (nominally 10 us each; on the parallel port every MCLR rise adds the
// adapter's 4000-unit settling). Leaving releases everything.
TEST_F(BenchTest, EntryVariantsAndLeave)
{
    struct Case {
        EntryVariant variant;
        uint32_t rises;
        uint32_t units4620, units2520; // delay units of the sequence itself
    };
    const Case cases[] = {
        {EntryVariant::A, 2, 1200 + 500, 1200 + 500},
        {EntryVariant::B, 2, 4000 * 3 + 500, 4000 * 3 + 500},
        {EntryVariant::C, 2, 1200 * 4, 1200 * 4},
        {EntryVariant::D, 1, 1200, 1200},
        {EntryVariant::E, 2, 1200 + 500, 1400 + 600},
    };
    for (ChipType chip : {ChipType::PIC18F4620, ChipType::PIC18F2520}) {
        for (Adapters adapters : {Adapters::Kerdis, Adapters::Vantrel}) {
            for (const Case& c : cases) {
                SCOPED_TRACE(std::string(korv::sim::chipName(chip)) + " on " + AdapterName(adapters) + " variant " +
                             VariantName(c.variant));
                Bench& b = Make(chip, adapters);
                b.Connect();
                const bool lpt = adapters == Adapters::Kerdis;
                const uint32_t units = (b.core.profile.is4620() ? c.units4620 : c.units2520) + (lpt ? 4000 * c.rises : 0);
                const double ms = EntryMs(b, c.variant);
                // A unit takes a little longer than nominal on the parallel
                // port (the adapter's echo time); on USB the calibrated delay
                // may come out a few per cent short, and every counted delay
                // adds the latency of an exchange.
                EXPECT_GE(ms, units * 0.0095);
                EXPECT_LE(ms, units * 0.013 + 15.0);
                EXPECT_EQ(b.Count(TxKind::Enter), c.rises);
                EXPECT_TRUE(b.chip().inProgrammingMode());
                EXPECT_TRUE(b.station.bus().vpp());
                EXPECT_FALSE(b.station.bus().pgc());
                EXPECT_TRUE(b.station.bus().hostPullsPgdLow());

                korv::LeaveProgramMode(b.core);
                // Nothing further is needed for the release to reach the pins.
                EXPECT_FALSE(b.chip().inProgrammingMode());
                EXPECT_EQ(b.Count(TxKind::Leave), c.rises);
                EXPECT_FALSE(b.station.bus().vpp());
                EXPECT_TRUE(b.station.bus().pgc());
                EXPECT_FALSE(b.station.bus().hostPullsPgdLow());
            }
        }
    }
}

// The variants' own differences, seen as the time between two otherwise
// equal runs on the same adapter: modupd2520's erase entry waits 1400 and
// 600 units instead of 1200 and 500, and its configuration entry leaves out
// the leading timing step (one handshake cycle on the parallel port).
TEST_F(BenchTest, EntryDifferencesBetweenTheVariants)
{
    for (Adapters adapters : {Adapters::Kerdis, Adapters::Vantrel}) {
        SCOPED_TRACE(AdapterName(adapters));
        double e[2] = {}, c[2] = {};
        int i = 0;
        for (ChipType chip : {ChipType::PIC18F4620, ChipType::PIC18F2520}) {
            Bench& b = Make(chip, adapters);
            b.Connect();
            e[i] = EntryMs(b, EntryVariant::E);
            korv::LeaveProgramMode(b.core);
            c[i] = EntryMs(b, EntryVariant::C);
            korv::LeaveProgramMode(b.core);
            ++i;
        }
        EXPECT_GE(e[1] - e[0], 300 * 0.0095);
        EXPECT_LE(e[1] - e[0], 300 * 0.013);
        if (adapters == Adapters::Kerdis) {
            EXPECT_GT(c[0] - c[1], 0.005);
            EXPECT_LT(c[0] - c[1], 0.030);
        } else {
            // On USB the timing step only queues a sample.
            EXPECT_NEAR(c[0], c[1], 0.005);
        }
    }
}

} // namespace
} // namespace icsptest
