// The whole start-up on the simulated bench: the windows, the backends the
// program builds from its options, "Да" on the warning, detection and the
// update image of the identified chip.
#include "UiStation.h"

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
    }
}

} // namespace
} // namespace korv::test
