#include "app/Format.h"

#include <gtest/gtest.h>

using korv::Format;

TEST(Format, HexIsUpperCaseAndBlankPadded)
{
    EXPECT_EQ(Format("%x", {0xabc}), "ABC");
    EXPECT_EQ(Format("%04x", {0x1f}), "  1F");
    EXPECT_EQ(Format("%03x", {0x1234}), "1234");
    EXPECT_EQ(Format("Devid1=%x Devid2=%x a=%d", {7, 0xC, 0}), "Devid1=7 Devid2=C a=0");
}

TEST(Format, DecimalTextAndPercent)
{
    EXPECT_EQ(Format("Ошибка переполнения =%d", {65535}), "Ошибка переполнения =65535");
    EXPECT_EQ(Format("%s-%5d%%", {"a", 42}), "a-   42%");
    EXPECT_EQ(Format("%d and %d", {1}), "1 and ");
}
