// Configuration-byte cleaning after a load, by variant and chip, and the
// chip model's sizes and indicators.
#include "app/ChipModel.h"
#include "image/HexReader.h"

#include "FoundationTestUtil.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace korv {
namespace {

using Bytes = std::array<uint8_t, 14>;

// Implemented bits of CONFIG1L..CONFIG7H per chip family (0x00: always zero).
constexpr Bytes kFxx2Bits = {0x00, 0x27, 0x0F, 0x0F, 0x00, 0x01, 0x85, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
constexpr Bytes k2520Bits = {0x00, 0xCF, 0x1F, 0x1F, 0x00, 0x87, 0xC5, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};

constexpr Bytes Fill(uint8_t v)
{
    Bytes b{};
    for (auto& x : b)
        x = v;
    return b;
}

// A configuration as a PIC18 tool chain writes it, with some bytes left 0.
constexpr Bytes kMixed = {0x00, 0x06, 0x1E, 0x00, 0x00, 0x81, 0x81, 0x00, 0x0F, 0x00, 0x0F, 0xE0, 0x0F, 0x40};

struct MaskCase {
    const char* name;
    const VariantProfile* profile;
    bool newChip;
    Bytes in;
    Bytes out;
};

class MaskConfig : public ::testing::TestWithParam<MaskCase> {};

TEST_P(MaskConfig, CleansEveryByte)
{
    const MaskCase& mc = GetParam();
    RecordingHost host;
    host.SetChecked("Prog12.Prog4520", mc.newChip);
    uint8_t image[14];
    std::copy(mc.in.begin(), mc.in.end(), image);
    MaskConfigWrite(*mc.profile, host, image);
    for (size_t i = 0; i < 14; ++i)
        EXPECT_EQ(image[i], mc.out[i]) << "byte " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Variants, MaskConfig,
    ::testing::Values(
        // modupd4620: one mask set whatever the chip (CONFIG1H 0x27 even on a PIC18F4620).
        MaskCase{"M4620_452_AllOnes", &kProfile4620, false, Fill(0xFF), kFxx2Bits},
        MaskCase{"M4620_4620_AllOnes", &kProfile4620, true, Fill(0xFF), kFxx2Bits},
        MaskCase{"M4620_4620_ZerosStayZero", &kProfile4620, true, Fill(0x00), Fill(0x00)},
        MaskCase{"M4620_452_Mixed", &kProfile4620, false, kMixed,
                 {0x00, 0x06, 0x0E, 0x00, 0x00, 0x01, 0x81, 0x00, 0x0F, 0x00, 0x0F, 0xE0, 0x0F, 0x40}},
        // modupd2520: 0x00 reads as erased (0xFF) first, then the chip's masks.
        MaskCase{"M2520_252_AllOnes", &kProfile2520, false, Fill(0xFF), kFxx2Bits},
        MaskCase{"M2520_2520_AllOnes", &kProfile2520, true, Fill(0xFF), k2520Bits},
        MaskCase{"M2520_252_ZerosBecomeErased", &kProfile2520, false, Fill(0x00), kFxx2Bits},
        MaskCase{"M2520_2520_ZerosBecomeErased", &kProfile2520, true, Fill(0x00), k2520Bits},
        MaskCase{"M2520_2520_Mixed", &kProfile2520, true, kMixed,
                 {0x00, 0x06, 0x1E, 0x1F, 0x00, 0x81, 0x81, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40}},
        MaskCase{"M2520_252_Mixed", &kProfile2520, false, kMixed,
                 {0x00, 0x06, 0x0E, 0x0F, 0x00, 0x01, 0x81, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40}}),
    [](const ::testing::TestParamInfo<MaskCase>& i) { return std::string(i.param.name); });

struct ChipCase {
    const char* name;
    const VariantProfile* profile;
    uint16_t startWords, startBoot;
    uint16_t newWords, newBoot;
    uint16_t oldWords, oldBoot;
};

class ChipSizes : public ::testing::TestWithParam<ChipCase> {};

TEST_P(ChipSizes, StartIdentifyAndUnknown)
{
    const ChipCase& cc = GetParam();
    RecordingHost host;
    ChipModel chip(*cc.profile);
    // Before identification: NewChip sizes, but no indicator, so not NewChip.
    EXPECT_EQ(chip.ProgramWords, cc.startWords);
    EXPECT_EQ(chip.BootWords, cc.startBoot);
    EXPECT_FALSE(IsNewChip(host));

    chip.SetIdentified(host, *cc.profile, false);
    EXPECT_EQ(chip.ProgramWords, cc.oldWords);
    EXPECT_EQ(chip.BootWords, cc.oldBoot);
    EXPECT_EQ(chip.ActiveBytes(), 2u * cc.oldWords);
    EXPECT_FALSE(IsNewChip(host));
    EXPECT_TRUE(host.Checked("Prog12.CheckBox2"));
    EXPECT_EQ(&IndicatedChip(host, *cc.profile), &cc.profile->oldChip);

    chip.SetIdentified(host, *cc.profile, true);
    EXPECT_EQ(chip.ProgramWords, cc.newWords);
    EXPECT_EQ(chip.BootWords, cc.newBoot);
    EXPECT_TRUE(IsNewChip(host));
    EXPECT_FALSE(host.Checked("Prog12.CheckBox2"));
    EXPECT_EQ(&IndicatedChip(host, *cc.profile), &cc.profile->newChip);

    // An unknown ID clears both indicators and keeps the last sizes.
    chip.SetUnidentified(host);
    EXPECT_FALSE(IsNewChip(host));
    EXPECT_FALSE(host.Checked("Prog12.CheckBox2"));
    EXPECT_EQ(chip.ProgramWords, cc.newWords);
    EXPECT_EQ(chip.BootWords, cc.newBoot);
}

INSTANTIATE_TEST_SUITE_P(Variants, ChipSizes,
                         ::testing::Values(ChipCase{"M4620", &kProfile4620, 0x8000, 1024, 0x8000, 1024, 0x4000, 384},
                                           ChipCase{"M2520", &kProfile2520, 0x4000, 1024, 0x4000, 1024, 0x4000, 384}),
                         [](const ::testing::TestParamInfo<ChipCase>& i) { return std::string(i.param.name); });

// The indicator, not the sizes, decides NewChip: the UI may tick it directly.
TEST(ChipIndicator, IsNewChipReadsTheCheckBox)
{
    RecordingHost host;
    EXPECT_FALSE(IsNewChip(host));
    host.SetChecked("Prog12.Prog4520", true);
    EXPECT_TRUE(IsNewChip(host));
    host.SetChecked("Prog12.Prog4520", false);
    EXPECT_FALSE(IsNewChip(host));
}

TEST(ImageBuffersState, CreatedErasedAndEraseIsBounded)
{
    auto images = std::make_unique<ImageBuffers>();
    for (size_t i = 0; i < ImageBuffers::kMasterSize; ++i)
        ASSERT_EQ(images->MasterImage[i], 0xFF) << i;
    for (size_t i = 0; i < ImageBuffers::kChipSize; ++i)
        ASSERT_EQ(images->ChipImage[i], 0xFF) << i;
    EXPECT_EQ(images->DumpSource, kDumpMaster);

    std::fill(std::begin(images->MasterImage), std::end(images->MasterImage), 0x00);
    images->EraseMaster(32768);
    EXPECT_EQ(images->MasterImage[32767], 0xFF);
    EXPECT_EQ(images->MasterImage[32768], 0x00);
    images->DumpSource = 0x42;
    images->EraseMaster(1u << 20); // more than the buffer: stops at its end
    EXPECT_EQ(images->MasterImage[ImageBuffers::kMasterSize - 1], 0xFF);
    EXPECT_EQ(images->DumpSource, 0x42);
}

} // namespace
} // namespace korv
