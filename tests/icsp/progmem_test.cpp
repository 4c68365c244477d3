// Program-memory write, read and comparison end to end against the chip
// model, through the operations the main window's buttons run.
#include "IcspBench.h"

namespace icsptest {
namespace {

using korv::kProfile2520;
using korv::kProfile4620;

struct ChipOnAdapter {
    ChipType chip;
    Adapters adapters;
};

std::string Name(const ChipOnAdapter& c)
{
    return std::string(korv::sim::chipName(c.chip)) + " on " + AdapterName(c.adapters);
}

// The modupd2520 range is the whole 16K-word memory; these tests shorten it
// to a few rows where the full pass is not what they check.
constexpr uint16_t kShortRange = 128;

const ChipOnAdapter kAll[] = {
    {ChipType::PIC18F4620, Adapters::Kerdis}, {ChipType::PIC18F4620, Adapters::Vantrel},
    {ChipType::PIC18F452, Adapters::Kerdis},  {ChipType::PIC18F452, Adapters::Vantrel},
    {ChipType::PIC18F2520, Adapters::Kerdis}, {ChipType::PIC18F2520, Adapters::Vantrel},
    {ChipType::PIC18F252, Adapters::Kerdis},  {ChipType::PIC18F252, Adapters::Vantrel},
};

// The range of each variant and chip: modupd4620 the boot area only
// (0x000..0x7FF on the 4620, 0x000..0x2FF on the 452), modupd2520 the whole
// program memory.
TEST_F(BenchTest, RangeByVariantAndChip)
{
    struct Case {
        ChipType chip;
        uint32_t words;
    };
    const Case cases[] = {
        {ChipType::PIC18F4620, 1024}, {ChipType::PIC18F452, 384}, {ChipType::PIC18F2520, 0x4000}, {ChipType::PIC18F252, 0x4000}};
    for (const Case& c : cases) {
        for (Adapters adapters : {Adapters::Kerdis, Adapters::Vantrel}) {
            SCOPED_TRACE(std::string(korv::sim::chipName(c.chip)) + " on " + AdapterName(adapters));
            Bench& b = Make(c.chip, adapters, Contents::Module);
            b.Connect();
            EXPECT_EQ(korv::OperationWords(b.core), c.words);
            std::memset(b.core.images.ChipImage, 0xEE, sizeof b.core.images.ChipImage);
            b.host.pumps = 0;
            korv::ReadProgramMemory(b.core);
            // The message pump runs after every word.
            EXPECT_EQ(b.host.pumps, static_cast<int>(c.words));
            // Everything inside the range came from the chip, nothing beyond.
            for (uint32_t a = 0; a < 2 * c.words; ++a)
                ASSERT_EQ(b.core.images.ChipImage[a], b.chip().flash()[a]) << "address " << a;
            if (2 * c.words < sizeof b.core.images.ChipImage) {
                EXPECT_EQ(b.core.images.ChipImage[2 * c.words], 0xEE);
            }
            EXPECT_FALSE(b.chip().inProgrammingMode());
            EXPECT_FALSE(b.station.bus().vpp());
        }
    }
}

// A written image reads back equal, in the chip model's flash and through
// the program's read, on both adapters and every chip.
TEST_F(BenchTest, WrittenImageReadsBackEqual)
{
    for (const ChipOnAdapter& c : kAll) {
        SCOPED_TRACE(Name(c));
        Bench& b = Make(c.chip, c.adapters, Contents::Module);
        b.Connect();
        if (b.core.profile.is2520()) {
            b.core.chip.ProgramWords = kShortRange;
            // The production order: erase first (the USB write relies on it).
            korv::EraseCommand(b.core);
        }
        const uint32_t n = korv::OperationWords(b.core);
        b.FillMaster(n, static_cast<uint16_t>(c.chip));
        b.host.log.clear();
        EXPECT_TRUE(korv::WriteProgramMemory(b.core));
        EXPECT_EQ(b.host.log, (std::vector<std::string>{"Прогр. OK"}));
        for (uint32_t w = 0; w < n; ++w)
            ASSERT_EQ(b.FlashWord(w), b.core.images.MasterImage[2 * w] | (b.core.images.MasterImage[2 * w + 1] << 8))
                << "word " << w;
        // Nothing beyond the range was touched.
        for (const auto& r : b.Records(TxKind::ProgramRow))
            EXPECT_LT(r.address, 2 * n);
        korv::ReadProgramMemory(b.core);
        b.host.log.clear();
        EXPECT_TRUE(korv::CompareImages(b.core));
        EXPECT_EQ(b.host.log, (std::vector<std::string>{"Сравнение ОК"}));
        EXPECT_FALSE(b.chip().inProgrammingMode());
        EXPECT_EQ(b.Violations(), "");
    }
}

// Writing a chip that already holds the image only reads it.
TEST_F(BenchTest, ChipHoldingTheImageIsOnlyRead)
{
    for (const ChipOnAdapter& c : kAll) {
        if (c.adapters == Adapters::Vantrel && ProfileFor(c.chip).usbFastWrite)
            continue; // modupd2520 on USB writes without reading first
        SCOPED_TRACE(Name(c));
        Bench& b = Make(c.chip, c.adapters);
        b.Connect();
        if (b.core.profile.is2520())
            b.core.chip.ProgramWords = kShortRange;
        const uint32_t n = korv::OperationWords(b.core);
        b.FillMaster(n);
        b.PreloadChipFromMaster(n);
        b.host.pumps = 0;
        EXPECT_TRUE(korv::WriteProgramMemory(b.core));
        EXPECT_EQ(b.host.log.back(), "Прогр. OK");
        // The message pump runs only after a rewritten row.
        EXPECT_EQ(b.host.pumps, 0);
        EXPECT_EQ(b.Count(TxKind::RowErase), 0u);
        EXPECT_EQ(b.Count(TxKind::ProgramRow), 0u);
        EXPECT_EQ(b.Count(TxKind::TableWrite), 0u);
        EXPECT_EQ(b.Count(TxKind::BulkErase), 0u);
        EXPECT_EQ(b.Count(TxKind::TableRead), 2 * n);
        EXPECT_EQ(b.chip().counts().programs + b.chip().counts().erases, 0u);
    }
}

// A first difference at word 45 erases and writes only the row of words
// 32..63, then reads on from word 32.
TEST_F(BenchTest, OneDifferenceRewritesOnlyItsRow)
{
    for (const ChipOnAdapter& c : kAll) {
        if (c.adapters == Adapters::Vantrel && ProfileFor(c.chip).usbFastWrite)
            continue;
        SCOPED_TRACE(Name(c));
        Bench& b = Make(c.chip, c.adapters);
        b.Connect();
        if (b.core.profile.is2520())
            b.core.chip.ProgramWords = kShortRange;
        const uint32_t n = korv::OperationWords(b.core);
        b.FillMaster(n);
        b.PreloadChipFromMaster(n);
        b.SetMasterWord(45, 0x1234);
        b.host.pumps = 0;
        EXPECT_TRUE(korv::WriteProgramMemory(b.core));
        EXPECT_EQ(b.host.pumps, 1);
        const auto erases = b.Records(TxKind::RowErase);
        ASSERT_EQ(erases.size(), 1u);
        EXPECT_EQ(erases[0].address, 64u);
        const auto programs = b.Records(TxKind::ProgramRow);
        // Two 16-word blocks on the new chips, eight 4-word blocks on the old.
        const bool newChip = c.chip == ChipType::PIC18F4620 || c.chip == ChipType::PIC18F2520;
        ASSERT_EQ(programs.size(), newChip ? 2u : 8u);
        for (const auto& r : programs) {
            EXPECT_GE(r.address, 64u);
            EXPECT_LT(r.address, 128u);
        }
        EXPECT_EQ(b.FlashWord(45), 0x1234);
        EXPECT_EQ(b.FlashWord(44), Bench::Pattern(44));
        // The FXX2 chips erase a row after the EECON2 unlock and are written
        // one panel at a time; the 2XXX/4XXX chips need neither.
        if (newChip) {
            EXPECT_TRUE(b.Saw("2XXX row erase without unlock"));
        } else {
            EXPECT_TRUE(b.Saw("FXX2 row erase with 55h/AAh unlock"));
            EXPECT_TRUE(b.Saw("FXX2 single-panel writes selected"));
        }
        // Every word read once, plus words 32..45 read again from the row's
        // start after the rewrite.
        EXPECT_EQ(b.Count(TxKind::TableRead), 2 * (n + 14));
    }
}

// A row the chip refuses to change (boot block write-protected): the write
// ends with the three failure lines. When the row's first word differs the
// write gives up right after one rewrite; when only a later word differs the
// first word matches again, so that word starts further rewrites of the same
// row, up to kMaxRowRewrites.
TEST_F(BenchTest, RowTheChipCannotHoldEndsWithTheFailureLines)
{
    struct Case {
        ChipOnAdapter where;
        uint32_t differingWord;
        int rewrites;
        const char* addressLine;
    };
    const Case cases[] = {
        {{ChipType::PIC18F4620, Adapters::Kerdis}, 32, 1, "Адр.: 40  Эт=1234  Чип= 520"},
        {{ChipType::PIC18F4620, Adapters::Vantrel}, 32, 1, "Адр.: 40  Эт=1234  Чип= 520"},
        {{ChipType::PIC18F4620, Adapters::Kerdis}, 45, korv::kMaxRowRewrites, "Адр.: 5A  Эт=1234  Чип= 52D"},
        {{ChipType::PIC18F452, Adapters::Vantrel}, 45, korv::kMaxRowRewrites, "Адр.: 5A  Эт=1234  Чип= 52D"},
        {{ChipType::PIC18F2520, Adapters::Kerdis}, 45, korv::kMaxRowRewrites, "Адр.: 5A  Эт=1234  Чип= 52D"},
        {{ChipType::PIC18F252, Adapters::Kerdis}, 3, korv::kMaxRowRewrites, "Адр.:  6  Эт=1234  Чип= 503"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Name(c.where) + " word " + std::to_string(c.differingWord));
        Bench& b = Make(c.where.chip, c.where.adapters);
        b.Connect();
        if (b.core.profile.is2520())
            b.core.chip.ProgramWords = kShortRange;
        const uint32_t n = korv::OperationWords(b.core);
        for (uint32_t w = 0; w < n; ++w)
            b.SetMasterWord(w, static_cast<uint16_t>(0x500 + w));
        b.PreloadChipFromMaster(n);
        b.SetMasterWord(c.differingWord, 0x1234);
        // CONFIG6H WRTB = 0: the boot block refuses erase and programming.
        b.chip().setConfig(11, b.chip().config()[11] & ~0x40);
        b.host.log.clear();
        EXPECT_FALSE(korv::WriteProgramMemory(b.core));
        EXPECT_EQ(b.host.log, (std::vector<std::string>{"Запись не возможна.", c.addressLine, "Прогр. прервано."}));
        // Each rewrite tried to erase the row once; the chip refused it.
        size_t refusedErases = 0;
        for (const auto& v : b.chip().violations())
            refusedErases += v.kind == korv::sim::ViolationKind::WriteProtected && v.detail.rfind("erase row", 0) == 0;
        EXPECT_EQ(refusedErases, static_cast<size_t>(c.rewrites));
        // Words 0..d read once, then the row from its first word up to d again
        // after every rewrite.
        const uint32_t d = c.differingWord, r = d & ~31u;
        EXPECT_EQ(b.Count(TxKind::TableRead), 2 * ((d + 1) + c.rewrites * (d - r + 1)));
        // Lines released, MCLR off after the failure too.
        EXPECT_FALSE(b.chip().inProgrammingMode());
        EXPECT_TRUE(b.station.bus().pgc());
        EXPECT_FALSE(b.station.bus().hostPullsPgdLow());
        EXPECT_FALSE(b.station.bus().vpp());
        // The refused steps are the only complaints of the chip.
        for (const auto& v : b.chip().violations())
            EXPECT_EQ(v.kind, korv::sim::ViolationKind::WriteProtected) << v.detail;
        b.chip().clearViolations();
    }
}

// CompareImages: equal images give only the summary; differing words are
// listed in ascending order with the count. The range differs by variant.
TEST(CompareImages, EqualAndThreeDifferences)
{
    struct Case {
        const korv::VariantProfile* profile;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {&kProfile4620, {"  0: Эт.   0 Рез.  12", "258: Эт. 12C Рез.AB2C", "7FE: Эт. 3FF Рез. 300", "Кол. ошибок. = 3 "}},
        {&kProfile2520, {"  0: Эт.   0 Рез.  12", "258: Эт. 12C Рез.AB2C", "7FFE: Эт.3FFF Рез.3F00", "Кол. ошибок. = 3 "}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.profile->programName);
        korv::sim::Station unused(Bench::Config(ChipType::PIC18F2520, Adapters::None));
        korv::RecordingHost host;
        korv::AppCore core(*c.profile, host, unused.ticks());
        const uint32_t n = korv::OperationWords(core);
        for (uint32_t w = 0; w < n; ++w) {
            core.images.MasterImage[2 * w] = core.images.ChipImage[2 * w] = static_cast<uint8_t>(w);
            core.images.MasterImage[2 * w + 1] = core.images.ChipImage[2 * w + 1] = static_cast<uint8_t>(w >> 8);
        }
        // A difference beyond the range is not a difference.
        if (2 * n < sizeof core.images.ChipImage)
            core.images.ChipImage[2 * n] ^= 0xFF;
        EXPECT_TRUE(korv::CompareImages(core));
        EXPECT_EQ(host.log, (std::vector<std::string>{"Сравнение ОК"}));

        host.log.clear();
        core.images.ChipImage[2 * 300 + 1] = 0xAB; // word 300, high byte
        core.images.ChipImage[0] = 0x12;           // word 0
        core.images.ChipImage[2 * (n - 1)] = 0x00; // last word of the range, low byte
        EXPECT_FALSE(korv::CompareImages(core));
        EXPECT_EQ(host.log, c.lines);
        EXPECT_EQ(host.gaugeMax, static_cast<int>(n) - 1);
    }
}

// modupd2520 on USB writes every row without reading first (after the
// bulk erase of production) and checks the result with one batched read.
TEST_F(BenchTest, FastWriteOnUsbWritesEveryRowAndChecks)
{
    for (ChipType chip : {ChipType::PIC18F2520, ChipType::PIC18F252}) {
        SCOPED_TRACE(korv::sim::chipName(chip));
        Bench& b = Make(chip, Adapters::Vantrel, Contents::Module);
        b.Connect();
        b.core.chip.ProgramWords = kShortRange;
        korv::EraseCommand(b.core);
        b.chip().clearLog();
        b.FillMaster(kShortRange);
        b.host.log.clear();
        b.host.gaugeHistory.clear();
        b.host.pumps = 0;
        // Rows programmed when the pump runs: one more each time.
        std::vector<size_t> programsAtPump;
        b.host.onPump = [&] { programsAtPump.push_back(b.Count(TxKind::ProgramRow)); };
        EXPECT_TRUE(korv::WriteProgramMemory(b.core));
        b.host.onPump = nullptr;
        EXPECT_EQ(b.host.log, (std::vector<std::string>{"Прогр. OK"}));
        // Only the first row is erased; every block of the range programmed.
        const auto erases = b.Records(TxKind::RowErase);
        ASSERT_EQ(erases.size(), 1u);
        EXPECT_EQ(erases[0].address, 0u);
        const bool newChip = chip == ChipType::PIC18F2520;
        const uint32_t blockWords = newChip ? 16u : 4u;
        // Gauge: 0, then the next word index after each block; the batched
        // read-back check then counts its words from 0 again.
        std::vector<int> writeGauge{0};
        for (uint32_t w = blockWords; w <= kShortRange; w += blockWords)
            writeGauge.push_back(static_cast<int>(w));
        ASSERT_GE(b.host.gaugeHistory.size(), writeGauge.size());
        EXPECT_EQ(std::vector<int>(b.host.gaugeHistory.begin(), b.host.gaugeHistory.begin() + writeGauge.size()),
                  writeGauge);
        // The pump after each row while writing (the read-back pumps after
        // every word, with all rows already programmed).
        ASSERT_GE(programsAtPump.size(), kShortRange / 32);
        for (size_t row = 0; row < kShortRange / 32; ++row)
            EXPECT_EQ(programsAtPump[row], (row + 1) * 32 / blockWords) << "row " << row;
        EXPECT_EQ(b.Count(TxKind::ProgramRow), kShortRange / (newChip ? 16u : 4u));
        // All programming comes before the first read: nothing is read back
        // word by word while writing.
        size_t lastProgram = 0, firstRead = SIZE_MAX;
        for (size_t i = 0; i < b.chip().logSize(); ++i) {
            const auto kind = b.chip().logAt(i).kind;
            if (kind == TxKind::ProgramRow)
                lastProgram = i;
            if (kind == TxKind::TableRead && firstRead == SIZE_MAX)
                firstRead = i;
        }
        EXPECT_LT(lastProgram, firstRead);
        for (uint32_t w = 0; w < kShortRange; ++w)
            ASSERT_EQ(b.FlashWord(w), Bench::Pattern(w)) << w;
    }
}

// A chip that was not blank cannot take the fast write (programming only
// clears bits): the check after it reports the first word that did not
// take, instead of a success.
TEST_F(BenchTest, FastWriteOnUsbReportsWordsThatDidNotTake)
{
    Bench& b = Make(ChipType::PIC18F2520, Adapters::Vantrel);
    b.Connect();
    b.core.chip.ProgramWords = kShortRange;
    b.FillMaster(kShortRange);
    b.chip().flash()[80] = 0x00; // word 40
    b.chip().flash()[81] = 0x00;
    b.host.log.clear();
    EXPECT_FALSE(korv::WriteProgramMemory(b.core));
    EXPECT_EQ(b.host.log, (std::vector<std::string>{"Запись не возможна.", "Адр.: 50  Эт= 8FF  Чип=   0", "Прогр. прервано."}));
}

// The batched read: one exchange per 32 words, and a batch's words land in
// ChipImage only once its 32nd word has been queued.
TEST_F(BenchTest, FastReadStoresWholeBatchesWithOneExchangeEach)
{
    for (ChipType chip : {ChipType::PIC18F4620, ChipType::PIC18F2520}) {
        SCOPED_TRACE(korv::sim::chipName(chip));
        Bench& b = Make(chip, Adapters::Vantrel, Contents::Module);
        b.Connect();
        if (b.core.profile.is2520())
            b.core.chip.ProgramWords = 256;
        const uint32_t n = korv::OperationWords(b.core);
        std::memset(b.core.images.ChipImage, 0xEE, sizeof b.core.images.ChipImage);
        uint32_t k = 0;
        int early = 0, late = 0;
        b.host.onPump = [&] {
            ++k; // words queued so far
            const uint32_t stored = k - k % 32;
            if (k % 32 != 0 && b.ChipImageWord(k - 1) != 0xEEEE)
                ++early;
            if (stored > 0 && b.ChipImageWord(stored - 1) != b.FlashWord(stored - 1))
                ++late;
        };
        const uint64_t writesBefore = b.station.vantrel().callCount("FT_Write");
        korv::ReadProgramMemory(b.core);
        b.host.onPump = nullptr;
        EXPECT_EQ(k, n);
        EXPECT_EQ(early, 0);
        EXPECT_EQ(late, 0);
        for (uint32_t w = 0; w < n; ++w)
            ASSERT_EQ(b.ChipImageWord(w), b.FlashWord(w)) << w;
        // n/32 batches plus the few exchanges of entry and exit.
        const uint64_t exchanges = b.station.vantrel().callCount("FT_Write") - writesBefore;
        EXPECT_GE(exchanges, n / 32);
        EXPECT_LE(exchanges, n / 32 + 8);
        // Gauge maximum: N-1 in modupd4620, N in modupd2520.
        EXPECT_EQ(b.host.gaugeMax, static_cast<int>(b.core.profile.is2520() ? n : n - 1));
        EXPECT_FALSE(b.chip().inProgrammingMode());
        EXPECT_FALSE(b.station.bus().vpp());
    }
}

// modupd2520's whole-memory path in production order over the full range:
// erase, configuration without protection, write, read, compare, then
// protection. A module from the line (code-protected) on both adapters.
TEST_F(BenchTest, WholeMemoryInProductionOrder)
{
    for (ChipType chip : {ChipType::PIC18F2520, ChipType::PIC18F252}) {
        for (Adapters adapters : {Adapters::Kerdis, Adapters::Vantrel}) {
            SCOPED_TRACE(std::string(korv::sim::chipName(chip)) + " on " + AdapterName(adapters));
            StationConfig cfg = Bench::Config(chip, adapters, Contents::Module);
            cfg.codeProtected = true;
            Bench& b = Make(cfg);
            b.Connect();
            const uint32_t n = korv::OperationWords(b.core);
            ASSERT_EQ(n, 0x4000u);
            b.FillMaster(n, 7);
            const auto erased = korv::sim::configEraseDefault(chip == ChipType::PIC18F252);
            for (unsigned k = 0; k < 14; ++k)
                b.core.images.ConfigImage[k] = erased[k];
            b.core.images.ConfigImage[3] = 0x0E;

            korv::EraseCommand(b.core);
            EXPECT_TRUE(korv::WriteWordConfig(b.core, 1));
            b.host.log.clear();
            EXPECT_TRUE(korv::WriteProgramMemory(b.core));
            korv::ReadProgramMemory(b.core);
            EXPECT_TRUE(korv::CompareImages(b.core));
            EXPECT_EQ(b.host.log, (std::vector<std::string>{"Прогр. OK", "Сравнение ОК"}));
            for (uint32_t w = 0; w < n; ++w)
                ASSERT_EQ(b.FlashWord(w), Bench::Pattern(w, 7)) << w;
            EXPECT_TRUE(korv::WriteWordConfig(b.core, 2));
            EXPECT_EQ(b.host.texts["FormConfig.StaticText1"], "Защита OK");
            EXPECT_TRUE(b.chip().codeProtected(2 * (n - 1)));
        }
    }
}

} // namespace
} // namespace icsptest
