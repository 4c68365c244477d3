// Bulk erase and the configuration bytes against the chip model.
#include "IcspBench.h"

#include <array>

namespace icsptest {
namespace {

using korv::kProfile2520;
using korv::kProfile4620;

constexpr const char* kResult = "FormConfig.StaticText1";

const ChipType kChips[] = {ChipType::PIC18F4620, ChipType::PIC18F452, ChipType::PIC18F2520, ChipType::PIC18F252};

bool Fxx2(ChipType c) { return c == ChipType::PIC18F452 || c == ChipType::PIC18F252; }

// The erased configuration of the chip with only implemented bits: a
// ConfigImage that the chip can hold exactly.
std::array<uint8_t, 14> GoodConfig(ChipType chip)
{
    std::array<uint8_t, 14> c = korv::sim::configEraseDefault(Fxx2(chip));
    c[1] &= 0x07 | (Fxx2(chip) ? 0x20 : 0x00); // oscillator choice stays implemented
    c[3] = 0x0E;                               // watchdog off
    return c;
}

void PutConfigImage(Bench& b, const std::array<uint8_t, 14>& c)
{
    for (unsigned k = 0; k < 14; ++k)
        b.core.images.ConfigImage[k] = c[k];
}

// A code-protected module reads 00 until the erase; the erase clears flash,
// ID words and configuration and removes the protection. Each chip gets its
// family's erase code (the model rejects the other one).
TEST_F(BenchTest, BulkEraseRemovesCodeProtection)
{
    for (ChipType chip : kChips) {
        for (Adapters adapters : {Adapters::Kerdis, Adapters::Vantrel}) {
            SCOPED_TRACE(std::string(korv::sim::chipName(chip)) + " on " + AdapterName(adapters));
            StationConfig cfg = Bench::Config(chip, adapters, Contents::Module);
            cfg.codeProtected = true;
            Bench& b = Make(cfg);
            b.Connect();
            if (b.core.profile.is2520())
                b.core.chip.ProgramWords = 64;
            korv::ReadProgramMemory(b.core);
            EXPECT_EQ(b.ChipImageWord(0), 0x0000);
            korv::EraseCommand(b.core);
            const auto erases = b.Records(TxKind::BulkErase);
            ASSERT_EQ(erases.size(), 1u);
            EXPECT_EQ(erases[0].address, Fxx2(chip) ? 0x0080u : 0x0F87u);
            EXPECT_FALSE(b.chip().codeProtected(0));
            for (uint8_t byte : b.chip().idLocations())
                EXPECT_EQ(byte, 0xFF);
            korv::ReadProgramMemory(b.core);
            for (uint32_t w = 0; w < korv::OperationWords(b.core); ++w)
                ASSERT_EQ(b.ChipImageWord(w), 0xFFFF) << "word " << w;
        }
    }
}

// How the erase command ends differs by variant: modupd4620 leaves the
// programming voltage on and clears the log, modupd2520 releases the module
// and keeps the log.
TEST_F(BenchTest, EraseCommandEndingByVariant)
{
    for (ChipType chip : {ChipType::PIC18F4620, ChipType::PIC18F2520}) {
        SCOPED_TRACE(korv::sim::chipName(chip));
        Bench& b = Make(chip, Adapters::Kerdis, Contents::Module);
        b.Connect();
        b.host.Okno("before");
        const int clears = b.host.logClears;
        const uint64_t t0 = b.station.clock().now();
        korv::EraseCommand(b.core);
        const uint64_t elapsedMs = (b.station.clock().now() - t0) / korv::sim::kNsPerMs;
        if (b.core.profile.is4620()) {
            EXPECT_TRUE(b.station.bus().vpp());
            EXPECT_EQ(b.host.logClears, clears + 1);
        } else {
            EXPECT_FALSE(b.station.bus().vpp());
            EXPECT_EQ(b.host.logClears, clears);
            EXPECT_EQ(b.host.log.back(), "before");
            // 7 x 1400 units of 10 us after the erase.
            EXPECT_GE(elapsedMs, 98u);
        }
        EXPECT_EQ(b.Count(TxKind::BulkErase), 1u);
    }
}

// A configuration the chip can hold passes (mode 0); one unimplemented bit
// set in ConfigImage fails at that byte even though everything was written.
TEST_F(BenchTest, WriteWordConfigGoodAndUnimplementedBit)
{
    for (ChipType chip : kChips) {
        for (Adapters adapters : {Adapters::Kerdis, Adapters::Vantrel}) {
            SCOPED_TRACE(std::string(korv::sim::chipName(chip)) + " on " + AdapterName(adapters));
            Bench& b = Make(chip, adapters);
            b.Connect();
            const auto good = GoodConfig(chip);
            PutConfigImage(b, good);
            EXPECT_TRUE(korv::WriteWordConfig(b.core, 0));
            EXPECT_EQ(b.host.texts[kResult], "Конфигурация OK");
            for (unsigned k = 0; k < 14; ++k) {
                EXPECT_EQ(b.chip().config()[k], good[k]) << k;
                EXPECT_EQ(b.core.icsp.ChipConfig[k], good[k]) << k;
            }
            // CONFIG4L bit 1 is unimplemented on both families.
            b.core.images.ConfigImage[6] |= 0x02;
            EXPECT_FALSE(korv::WriteWordConfig(b.core, 0));
            EXPECT_EQ(b.host.texts[kResult], "Ошибка записи конфигурации");
            EXPECT_EQ(b.core.images.ConfigImage[6] & 0x02, 0x02);
        }
    }
}

// Mode 2 writes the protection values, and CONFIG5L/5H of ConfigImage get
// their values back afterwards; the other overrides stay. Per variant, on
// both adapters.
TEST_F(BenchTest, ProtectionModeOverridesAndRestores)
{
    for (ChipType chip : kChips) {
        for (Adapters adapters : {Adapters::Kerdis, Adapters::Vantrel}) {
            SCOPED_TRACE(std::string(korv::sim::chipName(chip)) + " on " + AdapterName(adapters));
            Bench& b = Make(chip, adapters);
            b.Connect();
            PutConfigImage(b, GoodConfig(chip));
            const std::array<uint8_t, 14> before = GoodConfig(chip);
            EXPECT_TRUE(korv::WriteWordConfig(b.core, 2));
            EXPECT_EQ(b.host.texts[kResult], "Защита OK");
            EXPECT_EQ(b.chip().config()[8], 0x00);
            EXPECT_EQ(b.chip().config()[9], 0x80);
            EXPECT_TRUE(b.chip().codeProtected(0));
            EXPECT_EQ(b.core.images.ConfigImage[8], before[8]);
            EXPECT_EQ(b.core.images.ConfigImage[9], before[9]);
            if (b.core.profile.is4620()) {
                EXPECT_EQ(b.core.images.ConfigImage[11], 0xA0);
                EXPECT_EQ(b.core.images.ConfigImage[13], 0x00);
                EXPECT_EQ(b.chip().config()[11], 0xA0);
            } else {
                EXPECT_EQ(b.core.images.ConfigImage[11], before[11]);
                EXPECT_EQ(b.core.images.ConfigImage[13], before[13]);
            }
            // One programming step per byte, pair by pair in address order but
            // with the code-protection pair CONFIG5 last.
            const uint32_t order[14] = {0x300000, 0x300001, 0x300002, 0x300003, 0x300004, 0x300005, 0x300006,
                                        0x300007, 0x30000A, 0x30000B, 0x30000C, 0x30000D, 0x300008, 0x300009};
            const auto programs = b.Records(TxKind::ProgramConfig);
            ASSERT_EQ(programs.size(), 14u);
            for (size_t k = 0; k < 14; ++k)
                EXPECT_EQ(programs[k].address, order[k]) << "step " << k;
        }
    }
}

// Mode 1 clears every protection it touches; which bytes it touches
// differs by variant.
TEST_F(BenchTest, UnprotectedModeOverridesByVariant)
{
    for (ChipType chip : {ChipType::PIC18F4620, ChipType::PIC18F2520}) {
        SCOPED_TRACE(korv::sim::chipName(chip));
        Bench& b = Make(chip, Adapters::Kerdis);
        b.Connect();
        auto c = GoodConfig(chip);
        c[10] = 0x0A; // WRT1, WRT3 clear in the image
        c[12] = 0x05;
        PutConfigImage(b, c);
        EXPECT_TRUE(korv::WriteWordConfig(b.core, 1));
        const bool is2520 = b.core.profile.is2520();
        EXPECT_EQ(b.chip().config()[10], is2520 ? 0x0F : 0x0A);
        EXPECT_EQ(b.chip().config()[12], is2520 ? 0x0F : 0x05);
        EXPECT_EQ(b.chip().config()[8], 0x0F);
        EXPECT_EQ(b.chip().config()[9], 0xC0);
        EXPECT_EQ(b.chip().config()[11], 0xE0);
        EXPECT_EQ(b.chip().config()[13], 0x40);
    }
}

// Protection bits go only from 1 to 0 until the chip is erased: after the
// protected write, an unprotected write fails and keeps the chip
// protected; after the erase it passes.
TEST_F(BenchTest, ProtectionGoesOneWayUntilErased)
{
    for (ChipType chip : {ChipType::PIC18F4620, ChipType::PIC18F252}) {
        SCOPED_TRACE(korv::sim::chipName(chip));
        Bench& b = Make(chip, Adapters::Kerdis);
        b.Connect();
        PutConfigImage(b, GoodConfig(chip));
        ASSERT_TRUE(korv::WriteWordConfig(b.core, 2));
        EXPECT_FALSE(korv::WriteWordConfig(b.core, 1));
        EXPECT_EQ(b.host.texts[kResult], "Ошибка записи конфигурации");
        EXPECT_EQ(b.chip().config()[8], 0x00);
        EXPECT_TRUE(b.chip().codeProtected(0));
        // The failed check leaves no protection override in ConfigImage that
        // a later plain write would put into the chip.
        EXPECT_EQ(b.core.images.ConfigImage[8], GoodConfig(chip)[8]);
        EXPECT_EQ(b.core.images.ConfigImage[9], GoodConfig(chip)[9]);
        korv::EraseCommand(b.core);
        EXPECT_TRUE(korv::WriteWordConfig(b.core, 1));
        EXPECT_EQ(b.host.texts[kResult], "Конфигурация OK");
        EXPECT_FALSE(b.chip().codeProtected(0));
    }
}

// The protected write that fails keeps the image's own CONFIG5 values too.
TEST_F(BenchTest, FailedProtectionWriteRestoresConfig5)
{
    Bench& b = Make(ChipType::PIC18F4620, Adapters::Vantrel);
    b.Connect();
    auto c = GoodConfig(ChipType::PIC18F4620);
    c[0] = 0x01; // CONFIG1L: nothing implemented
    PutConfigImage(b, c);
    EXPECT_FALSE(korv::WriteWordConfig(b.core, 2));
    EXPECT_EQ(b.host.texts[kResult], "Ошибка записи битов защиты");
    EXPECT_EQ(b.core.images.ConfigImage[8], c[8]);
    EXPECT_EQ(b.core.images.ConfigImage[9], c[9]);
    // The chip was protected anyway: the check came after the writes.
    EXPECT_TRUE(b.chip().codeProtected(0));
}

// The configuration read fills all sixteen bytes, on both variants' entries.
TEST_F(BenchTest, ConfigurationReadFillsChipConfig)
{
    for (ChipType chip : kChips) {
        for (Adapters adapters : {Adapters::Kerdis, Adapters::Vantrel}) {
            SCOPED_TRACE(std::string(korv::sim::chipName(chip)) + " on " + AdapterName(adapters));
            Bench& b = Make(chip, adapters, Contents::Module);
            b.Connect();
            korv::ReadChipConfig(b.core);
            for (unsigned k = 0; k < 14; ++k)
                EXPECT_EQ(b.core.icsp.ChipConfig[k], b.chip().config()[k]) << k;
            EXPECT_EQ(b.core.icsp.ChipConfig[14], b.chip().devid1());
            EXPECT_EQ(b.core.icsp.ChipConfig[15], b.chip().devid2());
            EXPECT_FALSE(b.chip().inProgrammingMode());
        }
    }
}

} // namespace
} // namespace icsptest
