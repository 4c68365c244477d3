// Adapter detection and chip identification against the simulated bench.
#include "IcspBench.h"

namespace icsptest {
namespace {

using korv::kProfile2520;
using korv::kProfile4620;

constexpr const char* kLabel2 = "Prog12.Label2";

// Which chip a device-ID pair names, by variant: revision bits are ignored,
// the family bits and DEVID2 are not.
TEST(IdentifyChip, DecisionTableOfBothVariants)
{
    struct Case {
        const korv::VariantProfile* profile;
        uint8_t devid1, devid2;
        int expected; // 1 NewChip, 0 OldChip, -1 unrecognised
    };
    const Case cases[] = {
        {&kProfile4620, 0x05, 0x0C, 1},  {&kProfile4620, 0x1F, 0x0C, 1},  {&kProfile4620, 0x25, 0x04, 0},
        {&kProfile4620, 0x3F, 0x04, 0},  {&kProfile4620, 0x45, 0x0C, -1}, {&kProfile4620, 0x05, 0x04, -1},
        {&kProfile4620, 0x25, 0x0C, -1}, {&kProfile4620, 0xFF, 0xFF, -1}, {&kProfile4620, 0x00, 0x11, -1},
        {&kProfile2520, 0x00, 0x04, 0},  {&kProfile2520, 0x07, 0x04, 0},  {&kProfile2520, 0x0A, 0x11, 1},
        {&kProfile2520, 0x20, 0x04, -1}, {&kProfile2520, 0x00, 0x0C, -1}, {&kProfile2520, 0xE0, 0x11, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(korv::IdentifyChip(*c.profile, c.devid1, c.devid2), c.expected)
            << c.profile->programName << " " << int(c.devid1) << "/" << int(c.devid2);
}

// Every chip on either adapter: the interface and chip indicators, the
// sizes of the chip model and the diagnostics line of a first-attempt read.
TEST_F(BenchTest, IdentifiesEachChipOnEachAdapter)
{
    struct Case {
        ChipType chip;
        Adapters adapters;
        bool newChip;
        uint16_t programWords, bootWords;
        const char* label;
    };
    const Case cases[] = {
        {ChipType::PIC18F4620, Adapters::Kerdis, true, 0x8000, 1024, "Devid1=7 Devid2=C a=0"},
        {ChipType::PIC18F4620, Adapters::Vantrel, true, 0x8000, 1024, "Devid1=7 Devid2=C a=0"},
        {ChipType::PIC18F452, Adapters::Kerdis, false, 0x4000, 384, "Devid1=27 Devid2=4 a=0"},
        {ChipType::PIC18F452, Adapters::Vantrel, false, 0x4000, 384, "Devid1=27 Devid2=4 a=0"},
        {ChipType::PIC18F2520, Adapters::Kerdis, true, 0x4000, 1024, "Devid1=7 Devid2=11 a=0"},
        {ChipType::PIC18F2520, Adapters::Vantrel, true, 0x4000, 1024, "Devid1=7 Devid2=11 a=0"},
        {ChipType::PIC18F252, Adapters::Kerdis, false, 0x4000, 384, "Devid1=7 Devid2=4 a=0"},
        {ChipType::PIC18F252, Adapters::Vantrel, false, 0x4000, 384, "Devid1=7 Devid2=4 a=0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(korv::sim::chipName(c.chip)) + " on " + AdapterName(c.adapters));
        Bench& b = Make(c.chip, c.adapters);
        // A previous identification's sizes must be replaced, not kept.
        b.core.chip.ProgramWords = 0x1234;
        b.core.chip.BootWords = 0x55;
        EXPECT_TRUE(korv::ConnectProgrammer(b.core));
        EXPECT_EQ(b.host.Checked("Prog12.Prog4520"), c.newChip);
        EXPECT_EQ(b.host.Checked("Prog12.CheckBox2"), !c.newChip);
        EXPECT_EQ(b.host.Checked(korv::kUsbIndicator), c.adapters == Adapters::Vantrel);
        EXPECT_EQ(b.host.Checked(korv::kLptIndicator), c.adapters == Adapters::Kerdis);
        EXPECT_EQ(b.core.chip.ProgramWords, c.programWords);
        EXPECT_EQ(b.core.chip.BootWords, c.bootWords);
        EXPECT_EQ(b.host.texts[kLabel2], c.label);
        EXPECT_TRUE(b.host.errors.empty());
        EXPECT_TRUE(b.host.infos.empty());
        // Out of programming mode, MCLR released, PGC high, PGD released.
        EXPECT_FALSE(b.chip().inProgrammingMode());
        EXPECT_FALSE(b.station.bus().vpp());
        EXPECT_TRUE(b.station.bus().pgc());
        EXPECT_FALSE(b.station.bus().hostPullsPgdLow());
        EXPECT_EQ(b.Violations(), "");
    }
}

// Revision bits of DEVID1 do not matter.
TEST_F(BenchTest, RevisionBitsAreIgnored)
{
    for (ChipType chip : {ChipType::PIC18F4620, ChipType::PIC18F452, ChipType::PIC18F2520, ChipType::PIC18F252}) {
        StationConfig cfg = Bench::Config(chip, Adapters::Kerdis);
        cfg.revision = 0x05;
        Bench& b = Make(cfg);
        EXPECT_TRUE(korv::ConnectProgrammer(b.core)) << korv::sim::chipName(chip);
        EXPECT_EQ(b.host.Checked("Prog12.Prog4520"), chip == ChipType::PIC18F4620 || chip == ChipType::PIC18F2520);
    }
}

// Both adapters attached: the parallel-port adapter wins and the USB
// adapter is never opened.
TEST_F(BenchTest, ParallelAdapterWinsWhenBothAreAttached)
{
    Bench& b = Make(ChipType::PIC18F4620, Adapters::Both);
    EXPECT_TRUE(korv::ConnectProgrammer(b.core));
    EXPECT_TRUE(b.host.Checked(korv::kLptIndicator));
    EXPECT_FALSE(b.host.Checked(korv::kUsbIndicator));
    EXPECT_EQ(b.station.vantrel().callCount("FT_OpenEx"), 0u);
    EXPECT_FALSE(b.station.vantrel().open());
    EXPECT_EQ(b.host.log, (std::vector<std::string>{"Программатор Kerdis успешно открыт!"}));
}

// The parallel-port adapter chosen first and then gone: the next call opens
// the USB adapter, moves the interface indicators over and identifies the
// chip through it, without a second connection message.
TEST_F(BenchTest, ParallelAdapterGoneSwitchesToUsb)
{
    for (const auto* profile : {&kProfile4620, &kProfile2520}) {
        SCOPED_TRACE(profile->programName);
        Bench& b = Make(profile->is4620() ? ChipType::PIC18F452 : ChipType::PIC18F252, Adapters::Both, Contents::Blank,
                        profile);
        ASSERT_TRUE(korv::ConnectProgrammer(b.core));
        ASSERT_TRUE(b.host.Checked(korv::kLptIndicator));
        b.station.kerdis().setAttached(false);
        EXPECT_TRUE(korv::ConnectProgrammer(b.core));
        EXPECT_EQ(b.core.hw.portProg.ProgrammerKind, korv::Programmer::Usb);
        EXPECT_TRUE(b.host.Checked(korv::kUsbIndicator));
        EXPECT_FALSE(b.host.Checked(korv::kLptIndicator));
        EXPECT_TRUE(b.station.vantrel().open());
        EXPECT_TRUE(b.host.Checked("Prog12.CheckBox2"));
        // PIC18F452 / PIC18F252 with revision 7 in the low DEVID1 bits.
        EXPECT_EQ(b.host.texts[kLabel2], profile->is4620() ? "Devid1=27 Devid2=4 a=0" : "Devid1=7 Devid2=4 a=0");
        EXPECT_EQ(b.host.log, (std::vector<std::string>{"Программатор Kerdis успешно открыт!"}));
    }
}

// Once USB is chosen it stays chosen for the run, even when the USB
// adapter is unplugged and the parallel one is attached.
TEST_F(BenchTest, UsbStaysChosenForTheRun)
{
    Bench& b = Make(ChipType::PIC18F4620, Adapters::Vantrel);
    ASSERT_TRUE(korv::ConnectProgrammer(b.core));
    EXPECT_TRUE(b.host.Checked(korv::kUsbIndicator));
    const uint64_t lptWritesBefore = b.station.kerdis().writes();
    b.station.kerdis().setAttached(true);
    b.station.vantrel().unplugNow();
    korv::ConnectProgrammer(b.core);
    EXPECT_TRUE(b.host.Checked(korv::kUsbIndicator));
    EXPECT_FALSE(b.host.Checked(korv::kLptIndicator));
    EXPECT_EQ(b.core.hw.portProg.ProgrammerKind, korv::Programmer::Usb);
    // The line operations of the second call went to USB, not to the port.
    EXPECT_EQ(b.station.kerdis().writes(), lptWritesBefore);
    // Still one open: a chosen adapter is not searched for again.
    EXPECT_EQ(b.station.vantrel().callCount("FT_OpenEx"), 1u);
    // The unplugged adapter's calls fail, each with its dialog.
    EXPECT_FALSE(b.host.errors.empty());
    b.host.errors.clear();
    b.host.log.clear();
}

// The connection is logged once per run; a run without an adapter reports
// the three lines on every call until one is found.
TEST_F(BenchTest, ConnectionIsReportedOncePerRun)
{
    struct Case {
        Adapters adapters;
        const char* line;
    };
    const Case cases[] = {
        {Adapters::Kerdis, "Программатор Kerdis успешно открыт!"},
        {Adapters::Vantrel, "Программатор Vantrel успешно открыт!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(AdapterName(c.adapters));
        Bench& b = Make(ChipType::PIC18F2520, c.adapters);
        EXPECT_TRUE(korv::ConnectProgrammer(b.core));
        EXPECT_EQ(b.host.log, (std::vector<std::string>{c.line}));
        EXPECT_TRUE(korv::ConnectProgrammer(b.core));
        EXPECT_EQ(b.host.log.size(), 1u);
    }
}

TEST_F(BenchTest, NoAdapterReportsThreeLinesOnEveryCall)
{
    const std::vector<std::string> expected = {
        "Программатор Vantrel к USB не подключен.",
        "Программатор Kerdis к LPT не подключен.",
        "Завершите программу.Подключите программатор к USB или к LPT.Запустите программу вновь.",
    };
    for (const auto* profile : {&kProfile4620, &kProfile2520}) {
        SCOPED_TRACE(profile->programName);
        Bench& b = Make(profile->is4620() ? ChipType::PIC18F4620 : ChipType::PIC18F2520, Adapters::None, Contents::Blank,
                        profile);
        EXPECT_FALSE(korv::ConnectProgrammer(b.core));
        EXPECT_EQ(b.host.log, expected);
        EXPECT_FALSE(b.core.detection.ProgrammerReported);
        // No device-ID read was made.
        EXPECT_EQ(b.host.texts.count(kLabel2), 0u);
        EXPECT_EQ(b.chip().counts().reads, 0u);
        EXPECT_TRUE(b.host.infos.empty());
        b.host.log.clear();
        EXPECT_FALSE(korv::ConnectProgrammer(b.core));
        EXPECT_EQ(b.host.log, expected);
    }
}

// A chip of the other variant's pair: modupd4620 stops at the first answer
// that is not blank, modupd2520 retries every answer it does not recognise.
TEST_F(BenchTest, RetryRuleOfEachVariant)
{
    struct Case {
        const korv::VariantProfile* profile;
        ChipType chip;
        const char* label;
        const char* dialog;
    };
    const Case cases[] = {
        // PIC18F252 answers 07/04 to modupd4620: not blank, so one read only.
        {&kProfile4620, ChipType::PIC18F252, "Devid1=7 Devid2=4 a=0", "Не верно прочитался ID процессора"},
        // PIC18F452 answers 27/04 to modupd2520: unrecognised, read 101 times.
        {&kProfile2520, ChipType::PIC18F452, "Devid1=27 Devid2=4 a=101", "Не верное подключение!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.profile->programName);
        Bench& b = Make(c.chip, Adapters::Vantrel, Contents::Blank, c.profile);
        b.host.SetChecked("Prog12.Prog4520", true);
        EXPECT_FALSE(korv::ConnectProgrammer(b.core));
        EXPECT_EQ(b.host.texts[kLabel2], c.label);
        EXPECT_EQ(b.host.infos, (std::vector<std::string>{c.dialog}));
        EXPECT_EQ(b.host.cancels, (std::vector<std::string>{c.dialog})) << "single Cancel button";
        EXPECT_FALSE(b.host.Checked("Prog12.Prog4520"));
        EXPECT_FALSE(b.host.Checked("Prog12.CheckBox2"));
        // Sizes stay those from before.
        EXPECT_EQ(b.core.chip.ProgramWords, c.profile->startProgramWords);
        // Two device-ID bytes per attempt.
        const size_t attempts = c.profile->idLoopStopsOnNonBlank ? 1 : 101;
        size_t devidReads = 0;
        for (const auto& r : b.Records(TxKind::TableRead))
            devidReads += (r.address == 0x3FFFFE || r.address == 0x3FFFFF) ? 1 : 0;
        EXPECT_EQ(devidReads, 2 * attempts);
    }
}

// The parallel-port adapter reported and then unplugged: the later call
// stays on the parallel path (nothing else answers) and reads the bare
// port, whose every handshake wait runs to the poll limit. One such read
// is enough to fail; the retries stop there for both variants instead of
// holding the window for 101 of them. With the adapter attached the
// modupd2520 rule still retries all 101 times.
TEST_F(BenchTest, VanishedParallelAdapterEndsTheRetries)
{
    struct Case {
        const korv::VariantProfile* profile;
        ChipType chip;
        bool unplug;
        const char* label;
        double maxSeconds;
    };
    const Case cases[] = {
        {&kProfile4620, ChipType::PIC18F4620, true, "Devid1=0 Devid2=0 a=0", 20},
        {&kProfile2520, ChipType::PIC18F2520, true, "Devid1=0 Devid2=0 a=0", 20},
        // PIC18F452 is not of modupd2520's pair; the attached adapter answers.
        {&kProfile2520, ChipType::PIC18F452, false, "Devid1=27 Devid2=4 a=101", 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.profile->programName) + (c.unplug ? " unplugged" : " attached"));
        Bench& b = Make(c.chip, Adapters::Kerdis, Contents::Blank, c.profile);
        if (c.unplug) {
            ASSERT_TRUE(korv::ConnectProgrammer(b.core));
            b.station.kerdis().setAttached(false);
            b.host.log.clear();
        } else {
            // The run's report comes first, as after the start-up warning.
            b.core.detection.ProgrammerReported = true;
        }
        const uint64_t t0 = b.station.clock().now();
        EXPECT_FALSE(korv::ConnectProgrammer(b.core));
        const double seconds = static_cast<double>(b.station.clock().now() - t0) / 1e9;
        EXPECT_LT(seconds, c.maxSeconds);
        EXPECT_EQ(b.host.texts[kLabel2], c.label);
        EXPECT_EQ(b.host.infos, (std::vector<std::string>{c.profile->unknownIdDialog}));
        EXPECT_TRUE(b.host.log.empty());
        EXPECT_EQ(b.core.hw.portProg.ProgrammerKind, korv::Programmer::ParallelPort);
        EXPECT_FALSE(b.host.Checked("Prog12.Prog4520"));
        EXPECT_FALSE(b.host.Checked("Prog12.CheckBox2"));
    }
}

// No chip on the lines: PGD floats high and every answer reads FF/FF. Both
// variants retry that 101 times and then fail with their dialog.
TEST_F(BenchTest, BlankAnswerIsRetriedByBothVariants)
{
    for (const auto* profile : {&kProfile4620, &kProfile2520}) {
        SCOPED_TRACE(profile->programName);
        Bench& b = Make(profile->is4620() ? ChipType::PIC18F4620 : ChipType::PIC18F2520, Adapters::Vantrel,
                        Contents::Blank, profile);
        b.station.bus().attach(nullptr, &b.station.loader());
        EXPECT_FALSE(korv::ConnectProgrammer(b.core));
        EXPECT_EQ(b.host.texts[kLabel2], "Devid1=FF Devid2=FF a=101");
        EXPECT_EQ(b.host.infos, (std::vector<std::string>{profile->unknownIdDialog}));
        // The adapter itself was found and reported.
        EXPECT_TRUE(b.core.detection.ProgrammerReported);
    }
}

} // namespace
} // namespace icsptest
