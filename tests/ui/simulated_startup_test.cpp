// The whole start-up on the simulated bench: the windows, the backends the
// program builds from its options, "Да" on the warning, detection and the
// update image of the identified chip.
#include "UiStation.h"

#include "../crypto/ScrambleReference.h"

#include <algorithm>

namespace korv::test {
namespace {

TEST(SimulatedStartUp, YesIdentifiesTheChipAndLoadsItsImage)
{
    struct Case {
        const VariantProfile* profile;
        const char* simulate;
        bool newChip;
        bool usb;
    };
    const Case cases[] = {
        {&kProfile4620, "--simulate=usb,PIC18F4620", true, true},
        {&kProfile4620, "--simulate=lpt,PIC18F452", false, false},
        {&kProfile2520, "--simulate=usb,PIC18F252", false, true},
        {&kProfile2520, "--simulate=lpt,PIC18F2520", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.profile->programName << " " << c.simulate);
        TempCwd cwd;
        SimStation s(*c.profile, c.simulate, false);
        ASSERT_TRUE(s.backends.Simulated());
        ASSERT_FALSE(s.backends.HasProblems()) << s.backends.Describe();
        TProg12& w = *s.windows->Prog12;
        w.show();
        QTimer::singleShot(0, s.windows->Form_Pred, [&] { s.windows->Form_Pred->BitBtn1->click(); });
        ASSERT_TRUE(w.FormShow());

        EXPECT_EQ(w.Prog4520->isChecked(), c.newChip);
        EXPECT_EQ(w.CheckBox2->isChecked(), !c.newChip);
        EXPECT_EQ(w.CheckUSB->isChecked(), c.usb);
        EXPECT_EQ(w.CheckBox1->isChecked(), !c.usb);
        const ChipProfile& chip = c.newChip ? c.profile->newChip : c.profile->oldChip;
        EXPECT_EQ(w.Label3->text().toStdString(), chip.loadedStatus);
        EXPECT_EQ(s.core.chip.ProgramWords, chip.programWords);
        EXPECT_TRUE(s.host.errors.empty()) << s.host.errors.front();
        EXPECT_TRUE(w.isVisible());

        // The image in memory after start: in modupd4620 the application
        // area is scrambled for the boot loader with the two sums of the
        // plain bytes behind it, the boot area untouched; in modupd2520 the
        // whole firmware lies plain from address 0.
        const uint8_t* m = s.core.images.MasterImage;
        const uint32_t first = 2u * chip.bootWords, end = 2u * chip.programWords;
        if (c.profile->scramblesImage) {
            EXPECT_TRUE(std::all_of(m, m + first, [](uint8_t b) { return b == 0xFF; }));
            const std::vector<uint8_t> plain = Descramble(m, first, end);
            EXPECT_EQ(plain[1], 0xEF) << "the application starts with a GOTO once descrambled";
            EXPECT_NE(m[first + 1], 0xEF) << "sent scrambled";
            const PlainSums sums = SumsOf(plain, first);
            EXPECT_EQ(m[end + 1], sums.even);
            EXPECT_EQ(m[end + 2], sums.odd);
        } else {
            EXPECT_EQ(m[1], 0xEF) << "reset vector GOTO";
            EXPECT_EQ(m[end + 1], 0xFF);
            EXPECT_EQ(m[end + 2], 0xFF);
        }
    }
}

} // namespace
} // namespace korv::test
