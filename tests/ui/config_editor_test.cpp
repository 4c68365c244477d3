// The configuration editor's fields: the WRITE column shows ConfigImage as
// bit strings, and the bit row maps CheckBox(n+1) to bit n.
#include "UiStation.h"

namespace korv::test {
namespace {

TEST(ConfigEditor, RowsCarryTheirCaptionsAndFieldNames)
{
    Station s(kProfile4620, true);
    TFormConfig& f = *s.windows->FormConfig;
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Чтение/запись слова конфигурации."));
    EXPECT_EQ(f.RowCaptions[0]->text(), QStringLiteral(" Config1L 300000h "));
    EXPECT_EQ(f.RowCaptions[10]->text(), QStringLiteral(" Config6L 30000Ah "));
    EXPECT_EQ(f.RowCaptions[14]->text(), QStringLiteral(" DEVID1   3FFFFEh "));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(s.host.Find("FormConfig.LabeledEdit" + std::to_string(i + 1)), f.LabeledEdit[i]) << i;
    for (int i = 0; i < 14; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(s.host.Find("FormConfig.Edit" + std::to_string(i + 1)), f.Edit[i]);
        EXPECT_TRUE(f.Edit[i]->isReadOnly());
        EXPECT_FALSE(f.Edit[i]->isEnabled()) << "WRITE fields start in view mode";
        EXPECT_EQ(f.Select[i]->objectName().toStdString(), kConfigSelectNames[i]);
        EXPECT_FALSE(f.Select[i]->isChecked()) << "no byte is selected at start";
    }
    EXPECT_FALSE(f.SpeedButton2->isEnabled());
    EXPECT_TRUE(f.SpeedButton9->isChecked()) << "view mode";
    EXPECT_NE(s.host.Find("FormConfig.StaticText1"), nullptr);
}

TEST(ConfigEditor, ShowingTheWindowRefreshesTheWriteColumnFromConfigImage)
{
    Station s(kProfile2520, true);
    TFormConfig& f = *s.windows->FormConfig;
    for (int i = 0; i < 14; ++i)
        s.core.images.ConfigImage[i] = static_cast<uint8_t>(1u << (i % 8));
    s.core.images.ConfigImage[13] = 0xA5;
    f.show();
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(f.Edit[i]->text().toStdString(), ByteStrToBin(static_cast<uint8_t>(1u << (i % 8)))) << i;
    EXPECT_EQ(f.Edit[0]->text(), QStringLiteral("00000001"));
    EXPECT_EQ(f.Edit[7]->text(), QStringLiteral("10000000"));
    EXPECT_EQ(f.Edit[13]->text(), QStringLiteral("10100101"));
    f.hide();
}

TEST(ConfigEditor, BitRowMapsCheckBoxNPlusOneToBitN)
{
    Station s(kProfile4620, true);
    TFormConfig& f = *s.windows->FormConfig;
    f.ByteToCheckBox(0xA5);
    const bool ticked[8] = {true, false, true, false, false, true, false, true}; // CheckBox1..CheckBox8
    for (int n = 0; n < 8; ++n)
        EXPECT_EQ(s.host.Checked("FormConfig.CheckBox" + std::to_string(n + 1)), ticked[n]) << n;
    // Every value survives the round trip, and every box is rewritten.
    for (int v = 0; v < 256; ++v) {
        f.ByteToCheckBox(static_cast<uint8_t>(v));
        ASSERT_EQ(f.CheckBoxToByte(), v);
    }
    // The bit labels read 7 .. 0 from left to right.
    for (int n = 0; n < 7; ++n)
        EXPECT_GT(f.BitLabel[n]->x(), f.BitLabel[n + 1]->x());
}

} // namespace
} // namespace korv::test
