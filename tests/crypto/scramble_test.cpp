// Transfer scrambling of the application area and its sums, and "Cal CRC".
#include "CryptoTestSupport.h"
#include "ScrambleReference.h"

#include "image/Scramble.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

namespace korv {
namespace {

struct Sizes {
    const char* chip;
    uint32_t W;
    uint32_t B;
};
const Sizes kChips[] = {
    {"PIC18F4620", 0x8000, 1024},
    {"PIC18F452", 0x4000, 384},
    {"PIC18F2520", 0x4000, 1024},
    {"PIC18F252", 0x4000, 384},
};

uint8_t Ror(uint8_t v) { return static_cast<uint8_t>(v >> 1 | v << 7); }

struct Image {
    Image() : buf(std::make_unique<ImageBuffers>()) {}
    uint8_t* m() { return buf->MasterImage; }
    std::unique_ptr<ImageBuffers> buf;
};

TEST(BuffEtToCry, BlankAreaStaysBlankWithTheCountedSums)
{
    struct Case {
        uint32_t W, B;
        uint8_t sum;
    };
    // 0xFF x bytes-per-parity, modulo 256.
    const Case cases[] = {{0x8000, 1024, 0x00}, {0x4000, 384, 0x80}, {0x4000, 1024, 0x00}};
    for (const auto& c : cases) {
        Image img;
        const TransferSums s = BuffEtToCry(*img.buf, c.W, c.B);
        EXPECT_EQ(s.even, c.sum) << c.W << "/" << c.B;
        EXPECT_EQ(s.odd, c.sum) << c.W << "/" << c.B;
        for (uint32_t p = 0; p < 2 * c.W; ++p)
            ASSERT_EQ(img.m()[p], 0xFF) << p;
        EXPECT_EQ(img.m()[2 * c.W], 0xFF) << "offset 2W is left alone";
        EXPECT_EQ(img.m()[2 * c.W + 1], c.sum);
        EXPECT_EQ(img.m()[2 * c.W + 2], c.sum);
    }
}

TEST(BuffEtToCry, OneByteScramblesItsWholeGroupWithUnrotatedKeys)
{
    for (const auto& c : kChips) {
        Image img;
        const uint32_t a = 2 * c.B;
        img.m()[a + 5] = 0x00;
        BuffEtToCry(*img.buf, c.W, c.B);
        EXPECT_EQ(img.m()[a + 4], 0xFF ^ 'o') << c.chip;
        EXPECT_EQ(img.m()[a + 5], 0x00 ^ 'l') << c.chip;
        EXPECT_EQ(img.m()[a + 6], 0xFF ^ 'u') << c.chip;
        EXPECT_EQ(img.m()[a + 7], 0xFF ^ 'x') << c.chip;
        for (uint32_t p : {a, a + 1, a + 2, a + 3, a + 8})
            EXPECT_EQ(img.m()[p], 0xFF) << c.chip << " blank group at " << p;
        // Sums are of the plain bytes: one byte 0x00 instead of 0xFF.
        const uint32_t perParity = (2 * c.W - a) / 2;
        EXPECT_EQ(img.m()[2 * c.W + 1], static_cast<uint8_t>(0xFF * perParity)) << c.chip;
        EXPECT_EQ(img.m()[2 * c.W + 2], static_cast<uint8_t>(0xFF * (perParity - 1))) << c.chip;
    }
}

TEST(BuffEtToCry, KeyByteTurnsOnlyWhenUsed)
{
    // The byte at 2B+8 takes k[0]: rotated once when the group at 2B was
    // scrambled, unrotated when that group was blank.
    struct Case {
        bool firstGroupUsed;
        uint8_t expect;
    };
    const Case cases[] = {{true, static_cast<uint8_t>(0x42 ^ Ror('t'))}, {false, static_cast<uint8_t>(0x42 ^ 't')}};
    for (const auto& c : cases) {
        for (const auto& chip : kChips) {
            Image img;
            const uint32_t a = 2 * chip.B;
            if (c.firstGroupUsed)
                img.m()[a + 3] = 0x10;
            img.m()[a + 8] = 0x42;
            BuffEtToCry(*img.buf, chip.W, chip.B);
            EXPECT_EQ(img.m()[a + 8], c.expect) << chip.chip << " first group used=" << c.firstGroupUsed;
            // The key index ran on through the blank group at 2B+4: 2B+9 is
            // scrambled with k[1], turned once only if 2B+1 used it.
            const uint8_t k1 = c.firstGroupUsed ? Ror('r') : 'r';
            EXPECT_EQ(img.m()[a + 9], 0xFF ^ k1) << chip.chip;
        }
    }
}

TEST(BuffEtToCry, ModuleSideDescramblingRestoresTheImageAndSums)
{
    std::mt19937 rng(2009);
    for (const auto& c : kChips) {
        Image img;
        const uint32_t first = 2 * c.B, end = 2 * c.W;
        // A boot area the scrambling must not touch, and an application area
        // of code runs, blank stretches and isolated blank groups.
        for (uint32_t p = 0; p < first; ++p)
            img.m()[p] = static_cast<uint8_t>(p * 13);
        for (uint32_t p = first; p < end; p += 4) {
            const bool blank = (rng() % 3) == 0 || (p > end - 0x400);
            for (uint32_t b = p; b < p + 4; ++b)
                img.m()[b] = blank ? 0xFF : static_cast<uint8_t>(rng());
        }
        img.m()[end] = 0x77;
        const std::vector<uint8_t> plain(img.m(), img.m() + end);

        const TransferSums s = BuffEtToCry(*img.buf, c.W, c.B);

        for (uint32_t p = 0; p < first; ++p)
            ASSERT_EQ(img.m()[p], plain[p]) << c.chip << ": boot area changed at " << p;
        EXPECT_EQ(img.m()[end], 0x77) << c.chip;
        EXPECT_NE(std::vector<uint8_t>(img.m() + first, img.m() + end),
                  std::vector<uint8_t>(plain.begin() + first, plain.end()))
            << c.chip << ": application area left plain";
        const std::vector<uint8_t> restored = test::Descramble(img.m(), first, end);
        EXPECT_EQ(restored, std::vector<uint8_t>(plain.begin() + first, plain.end())) << c.chip;
        const test::PlainSums ref = test::SumsOf(restored, first);
        EXPECT_EQ(s.even, ref.even) << c.chip;
        EXPECT_EQ(s.odd, ref.odd) << c.chip;
        EXPECT_EQ(img.m()[end + 1], ref.even) << c.chip;
        EXPECT_EQ(img.m()[end + 2], ref.odd) << c.chip;
    }
}

TEST(BuffEtToCry, EveryRunStartsFromTheSameKey)
{
    Image once, twice;
    for (uint32_t p = 0x800; p < 0x900; ++p)
        once.m()[p] = twice.m()[p] = static_cast<uint8_t>(p);
    BuffEtToCry(*once.buf, 0x8000, 1024);
    // A run on another image in between must not change the next result.
    Image other;
    other.m()[0x801] = 1;
    BuffEtToCry(*other.buf, 0x8000, 1024);
    BuffEtToCry(*twice.buf, 0x8000, 1024);
    EXPECT_TRUE(std::equal(once.m(), once.m() + ImageBuffers::kMasterSize, twice.m()));
}

TEST(BuffEtToCry, SizesOutsideTheBufferChangeNothing)
{
    Image img;
    img.m()[0x900] = 0x12;
    const std::vector<uint8_t> before(img.m(), img.m() + ImageBuffers::kMasterSize);
    BuffEtToCry(*img.buf, 0xFFFF, 1024); // 2W + 2 beyond the buffer
    BuffEtToCry(*img.buf, 0x300, 0x400);  // boot area larger than W
    EXPECT_TRUE(std::equal(before.begin(), before.end(), img.m()));
}

// "Cal CRC" through the application core, with the sizes of the identified
// chip of each variant.
TEST(CalCrc, ShowsTheXorChecksOfTheApplicationArea)
{
    struct Case {
        const VariantProfile* profile;
        bool newChip;
        uint32_t first, end;
    };
    const Case cases[] = {
        {&kProfile4620, true, 0x800, 0x10000},
        {&kProfile4620, false, 0x300, 0x8000},
        {&kProfile2520, true, 0x800, 0x8000},
        {&kProfile2520, false, 0x300, 0x8000},
    };
    for (const auto& c : cases) {
        test::CoreOnHost env(*c.profile, c.newChip);
        uint8_t* m = env.core->images.MasterImage;
        SpeedButton16Click(*env.core);
        EXPECT_EQ(env.host.Text("Prog12.Label2"), "d0=0 d1=0") << c.profile->programName << " " << c.newChip;

        // Outside the area: ignored.
        m[c.first - 1] = 0x00;
        m[c.first - 2] = 0x00;
        m[c.end] = 0x00;
        m[c.end + 1] = 0x00;
        // Inside: two even bytes, one odd byte differ from 0xFF.
        m[c.first] = 0x12;
        m[c.first + 2] = 0x18;
        m[c.end - 1] = 0xF5;
        SpeedButton16Click(*env.core);
        // Even: 0x12 ^ 0x18 (remaining 0xFF cancel in pairs) = 0x0A;
        // odd: 0xF5 ^ 0xFF = 0x0A as well, shown without leading zero.
        EXPECT_EQ(env.host.Text("Prog12.Label2"), "d0=A d1=A") << c.profile->programName << " " << c.newChip;

        m[c.first + 1] = 0x3C; // odd: 0xF5 ^ 0x3C
        SpeedButton16Click(*env.core);
        EXPECT_EQ(env.host.Text("Prog12.Label2"), "d0=A d1=C9") << c.profile->programName << " " << c.newChip;
    }
}

} // namespace
} // namespace korv
