#include "app/PageView.h"

#include <gtest/gtest.h>

#include <vector>

namespace korv {
namespace {

TEST(PageView, LineRangesOfBothWordCounts)
{
    struct Case {
        uint16_t words;
        int page;
        uint16_t first, last;
    };
    const Case cases[] = {
        {0x4000, 0, 0, 1023},    {0x4000, 1, 1024, 2047}, {0x4000, 2, 2048, 3071}, {0x4000, 3, 3072, 4095},
        {0x8000, 0, 0, 2047},    {0x8000, 1, 2048, 4095}, {0x8000, 2, 4096, 5802}, {0x8000, 3, 5803, 8191},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "W=" << std::hex << c.words << " page " << c.page);
        const PageLines r = PageLineRange(c.words, c.page);
        EXPECT_EQ(r.first, c.first);
        EXPECT_EQ(r.last, c.last);
    }
}

TEST(PageView, FourPagesTileTheImageWithoutGapOrOverlap)
{
    for (uint16_t words : {uint16_t(0x4000), uint16_t(0x8000)}) {
        SCOPED_TRACE(words);
        EXPECT_EQ(PageLineRange(words, 0).first, 0);
        for (int page = 0; page < 3; ++page)
            EXPECT_EQ(PageLineRange(words, page + 1).first, PageLineRange(words, page).last + 1);
        // The last line shows the last 8 bytes of 2 x W bytes.
        EXPECT_EQ(8u * PageLineRange(words, 3).last + 8u, 2u * words);
    }
}

TEST(PageView, LineShowsAddressAndLittleEndianWordsBlankPadded)
{
    std::vector<uint8_t> image(65540, 0xFF);
    const uint8_t first[] = {0x12, 0xEF, 0x00, 0xF0, 0xFF, 0xFF, 0xFF, 0xFF};
    std::copy(std::begin(first), std::end(first), image.begin());
    image[8] = 0x12; // word 0x0012 at address 8, then 0x0000, 0x0A0B, 0xFFFF
    image[9] = 0x00;
    image[10] = 0x00;
    image[11] = 0x00;
    image[12] = 0x0B;
    image[13] = 0x0A;

    struct Case {
        uint32_t line;
        const char* text;
    };
    const Case cases[] = {
        {0, "  0:  EF12   F000   FFFF   FFFF"},
        {1, "  8:    12      0    A0B   FFFF"},
        {0x0FFF, "7FF8:  FFFF   FFFF   FFFF   FFFF"},
        {0x1FFF, "FFF8:  FFFF   FFFF   FFFF   FFFF"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PageViewLine(image.data(), c.line), c.text) << "line " << c.line;
}

TEST(PageView, TitleNamesTheBuffer)
{
    EXPECT_STREQ(PageViewTitle(kDumpMaster), "Карта памяти программ.");
    EXPECT_STREQ(PageViewTitle(kDumpChip), "Данные кристалла.");
}

TEST(PageView, AppendedLinesAreSeparatedAndStopAtTheBufferEnd)
{
    std::vector<uint8_t> image(64, 0);
    std::string out = "title\n";
    EXPECT_EQ(AppendPageLines(image.data(), image.size(), {2, 4}, out), 3u);
    EXPECT_EQ(out, "title\n"
                   " 10:     0      0      0      0\n"
                   " 18:     0      0      0      0\n"
                   " 20:     0      0      0      0");

    // Lines 6..9 would read beyond 64 bytes: only lines 6 and 7 are shown.
    std::string tail;
    EXPECT_EQ(AppendPageLines(image.data(), image.size(), {6, 9}, tail), 2u);
    EXPECT_EQ(std::count(tail.begin(), tail.end(), '\n'), 1);
}

} // namespace
} // namespace korv
