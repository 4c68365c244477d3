// The main window: captions and visibility by variant and mode, the lock
// rule of UpravlKnopk, the page views, the grouped buttons and the driver
// instructions.
#include "UiStation.h"

#include "app/PageView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTextBlock>

#include <set>

namespace korv::test {
namespace {

std::vector<std::string> LogLines(TProg12& w)
{
    std::vector<std::string> lines;
    const QString text = w.Memokno->toPlainText();
    if (text.isEmpty())
        return lines;
    for (const QString& l : text.split(QLatin1Char('\n')))
        lines.push_back(l.toStdString());
    return lines;
}

TEST(MainWindow, CaptionsAndHintsFollowTheProfile)
{
    for (const VariantProfile* p : kProfiles) {
        SCOPED_TRACE(p->programName);
        Station s(*p, false);
        TProg12& w = s.main();
        EXPECT_EQ(w.windowTitle().toStdString(), p->mainCaption);
        EXPECT_EQ(w.size(), QSize(799, 441));
        EXPECT_EQ(w.Prog->text().toStdString(), p->progCaption);
        EXPECT_EQ(w.Sravn->text().toStdString(), p->sravnCaption);
        EXPECT_EQ(w.Label1->text().toStdString(), p->versionLabel);
        EXPECT_EQ(w.Label9->text().toStdString(), p->oldChip.indicatorCaption);
        EXPECT_EQ(w.Label8->text().toStdString(), p->newChip.indicatorCaption);
        EXPECT_EQ(w.Prog->toolTip(), QStringLiteral("Программирование Загрузчика."));
        EXPECT_EQ(w.SpeedButton4->text(), QStringLiteral(" Запись \"Обновления\""));
        EXPECT_EQ(w.SpeedButton4->toolTip(), QStringLiteral("Программирование програмной памяти."));
        EXPECT_EQ(w.SpeedButton7->text(), QStringLiteral("Загрузить файл обновления  *.HEX/*.CRP"));
        EXPECT_EQ(w.Otl_oborud->text(), QStringLiteral("Отладка  оборуд"));
        EXPECT_EQ(w.SpeedButton18->text(), QStringLiteral("Очистка всей памяти и снятие бита защиты"));
        EXPECT_TRUE(w.SpeedButton18->font().underline());
        EXPECT_TRUE(w.RadioButton1->isChecked());
        EXPECT_FALSE(w.RadioButton2->isChecked());
        // Indicators are display-only.
        for (QCheckBox* c : {w.CheckBox2, w.Prog4520, w.CheckBox1, w.CheckUSB})
            EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
        if (p->hasBootFileLoad) {
            ASSERT_NE(w.Label4, nullptr);
            EXPECT_EQ(w.Label4->text(), QStringLiteral("Введите зав. N модуля"));
            EXPECT_EQ(w.SpeedButton3->text(), QStringLiteral("Загрузить файл \"BOOTзагрузчика\" *.HEX/*.CRP"));
        } else {
            EXPECT_EQ(w.Label4, nullptr);
            EXPECT_EQ(w.Edit1, nullptr);
            EXPECT_EQ(w.findChild<QWidget*>(QStringLiteral("Label4")), nullptr);
        }
    }
}

// Visibility after the start-up dialogue, for each variant and mode.
TEST(MainWindow, ModeLayoutShowsTheCommandsOfTheMode)
{
    const char* const alwaysShown[] = {"SpeedButton4", "Otl_oborud", "SpeedButton20", "Memokno", "Label3",
                                       "Prog4520", "CheckBox2", "CheckUSB", "CheckBox1", "Image2"};
    const char* const neverShownAtStart[] = {"Sravn", "SpeedButton7", "SpeedButton10", "SpeedButton11",
                                             "SpeedButton16", "Label2", "SpeedButton9", "SpeedButton14",
                                             "SpeedButton15", "SpeedButton12"};
    struct Case {
        const VariantProfile* profile;
        bool production;
        std::set<std::string> shown;  // of the mode-dependent controls below
    };
    const char* const modeDependent[] = {"Prog", "ReadChip", "Param", "GroupBox3", "Panel4", "GroupBox2",
                                         "Label4", "Edit1", "SpeedButton3"};
    const Case cases[] = {
        {&kProfile4620, false, {}},
        {&kProfile2520, false, {}},
        {&kProfile4620, true, {"Prog", "ReadChip", "Param", "GroupBox3", "Panel4", "GroupBox2", "Label4", "Edit1"}},
        {&kProfile2520, true, {"Prog", "ReadChip", "Param", "GroupBox3", "Panel4", "GroupBox2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.profile->programName << (c.production ? " production" : " update"));
        TempCwd cwd;
        Station s(*c.profile, c.production);
        ASSERT_TRUE(s.StartUp(true));
        TProg12& w = s.main();
        auto shown = [&](const char* name) {
            QWidget* x = w.findChild<QWidget*>(QString::fromLatin1(name));
            return x && x->isVisibleTo(&w);
        };
        for (const char* n : alwaysShown)
            EXPECT_TRUE(shown(n)) << n;
        for (const char* n : neverShownAtStart)
            EXPECT_FALSE(shown(n)) << n;
        for (const char* n : modeDependent)
            EXPECT_EQ(shown(n), c.shown.count(n) == 1) << n;
        EXPECT_EQ(w.Gauge1->value(), 0);
        if (c.production && c.profile->hasBootFileLoad) {
            EXPECT_EQ(w.focusWidget(), w.Edit1);
        }
        // The tick window is never shown.
        EXPECT_FALSE(s.windows->Res_timer->isVisible());
    }
}

TEST(MainWindow, PanelFourAsCreatedDiffersByVariant)
{
    Station a(kProfile4620, true);
    Station b(kProfile2520, true);
    EXPECT_TRUE(a.main().Panel4->isHidden());
    EXPECT_FALSE(b.main().Panel4->isHidden());
}

class Locking : public testing::Test {
protected:
    // Every controlled control's enabled state, by name.
    static std::map<std::string, bool> States(TProg12& w)
    {
        std::map<std::string, bool> m;
        for (QWidget* c : w.ControlledControls())
            m[c->objectName().toStdString()] = c->isEnabled();
        return m;
    }
};

TEST_F(Locking, ControlledSetDiffersByVariant)
{
    const std::vector<std::string> full = {"Prog",          "ReadChip",      "SpeedButton7", "Sravn",
                                           "SpeedButton3",  "SpeedButton4",  "SpeedButton17", "SpeedButton18",
                                           "Otl_oborud",    "Param",         "SpeedButton5",  "SpeedButton6",
                                           "SpeedButton2",  "SpeedButton8",  "Avtom_Prog_P",  "Avt_Prog_St",
                                           "SpeedButton13"};
    for (const VariantProfile* p : kProfiles) {
        SCOPED_TRACE(p->programName);
        Station s(*p, true);
        std::vector<std::string> names;
        for (QWidget* c : s.main().ControlledControls())
            names.push_back(c->objectName().toStdString());
        std::vector<std::string> expected = full;
        if (p->is2520())
            std::erase_if(expected, [](const std::string& n) { return n == "SpeedButton3" || n == "SpeedButton4"; });
        EXPECT_EQ(names, expected);
        EXPECT_EQ(static_cast<int>(names.size()), p->controlledControls);
    }
}

TEST_F(Locking, LockDisablesAllButSenderAndStopAndUnlockRestores)
{
    for (const VariantProfile* p : kProfiles) {
        SCOPED_TRACE(p->programName);
        Station s(*p, true);
        TProg12& w = s.main();
        w.SpeedButton6->setEnabled(false); // a state from before the operation
        const auto before = States(w);

        w.UpravlKnopk(w.ReadChip, true);
        EXPECT_TRUE(w.UpravlLocked());
        for (QWidget* c : w.ControlledControls()) {
            const bool expectEnabled = c == w.ReadChip || c == w.Avt_Prog_St;
            EXPECT_EQ(c->isEnabled(), expectEnabled) << c->objectName().toStdString();
        }
        // modupd2520 does not lock its update button.
        EXPECT_EQ(w.SpeedButton4->isEnabled(), p->is2520());

        w.UpravlKnopk(w.ReadChip, false);
        EXPECT_FALSE(w.UpravlLocked());
        EXPECT_EQ(States(w), before);
    }
}

TEST_F(Locking, NestedLockKeepsTheOuterSavedStates)
{
    Station s(kProfile4620, true);
    TProg12& w = s.main();
    w.Sravn->setEnabled(false);
    const auto before = States(w);

    w.UpravlKnopk(w.Prog, true);
    w.UpravlKnopk(w.SpeedButton18, true); // nested: must not save the locked states
    EXPECT_FALSE(w.SpeedButton18->isEnabled()) << "a nested lock changes nothing";
    EXPECT_TRUE(w.Prog->isEnabled());

    w.UpravlKnopk(w.SpeedButton18, false); // inner unlock restores already
    EXPECT_EQ(States(w), before);
    w.Param->setEnabled(false); // changed between the two unlocks
    w.UpravlKnopk(w.Prog, false); // outer unlock restores the same states again
    EXPECT_EQ(States(w), before);
}

TEST_F(Locking, StopButtonKeepsItsOwnStateWhileLocked)
{
    Station s(kProfile2520, true);
    TProg12& w = s.main();
    w.Avt_Prog_St->setEnabled(false);
    w.UpravlKnopk(w.Avtom_Prog_P, true);
    EXPECT_FALSE(w.Avt_Prog_St->isEnabled());
    EXPECT_TRUE(w.Avtom_Prog_P->isEnabled());
    w.UpravlKnopk(w.Avtom_Prog_P, false);
    EXPECT_FALSE(w.Avt_Prog_St->isEnabled());
}

TEST_F(Locking, UnlockWithoutAnyLockLeavesTheControlsUsable)
{
    Station s(kProfile4620, true);
    TProg12& w = s.main();
    const auto before = States(w);
    w.UpravlKnopk(w.Prog, false);
    EXPECT_EQ(States(w), before);
}

// Command buttons stay down while they run; the handler's partner springs
// them back. Each button shares an exclusive group with its hidden partner,
// which starts down.
TEST(MainWindow, GroupedButtonsHaveHiddenPartnersThatStartDown)
{
    for (const VariantProfile* p : kProfiles) {
        SCOPED_TRACE(p->programName);
        Station s(*p, true);
        TProg12& w = s.main();
        struct Case {
            QAbstractButton* button;
            QAbstractButton* partner;
        };
        std::vector<Case> cases = {{w.Prog, w.SpeedButton9},
                                   {w.ReadChip, w.SpeedButton14},
                                   {w.Sravn, w.SpeedButton15},
                                   {w.SpeedButton18, w.SpeedButton12},
                                   {w.Avtom_Prog_P, w.Avt_Prog_St}};
        if (p->is2520())
            cases.push_back({w.SpeedButton4, w.SpeedButton3});
        std::set<QButtonGroup*> groups;
        for (const Case& c : cases) {
            SCOPED_TRACE(c.button->objectName().toStdString());
            ASSERT_NE(c.button->group(), nullptr);
            EXPECT_EQ(c.button->group(), c.partner->group());
            EXPECT_TRUE(c.button->group()->exclusive());
            EXPECT_EQ(c.button->group()->buttons().size(), 2);
            EXPECT_TRUE(c.partner->isChecked());
            EXPECT_FALSE(c.button->isChecked());
            if (c.partner != w.Avt_Prog_St) {
                EXPECT_TRUE(c.partner->isHidden());
            }
            groups.insert(c.button->group());
            // Pressing the button sets it down and releases the partner.
            c.button->setChecked(true);
            EXPECT_FALSE(c.partner->isChecked());
            c.partner->setChecked(true);
            EXPECT_FALSE(c.button->isChecked());
        }
        EXPECT_EQ(groups.size(), cases.size()) << "every pair is a group of its own";
    }
}

// The boot-area write on the simulated bench: the button is down while the
// write runs and springs back when it ends.
TEST(MainWindow, WriteButtonIsDownWhileItRunsAndSpringsBack)
{
    TempCwd cwd;
    SimStation s(kProfile4620, "--simulate=usb,PIC18F4620", true);
    TProg12& w = s.main();
    bool downDuringWrite = false;
    int pumps = 0;
    // The write pumps messages between its steps; look at the button then.
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        ++pumps;
        downDuringWrite = downDuringWrite || (w.Prog->isChecked() && !w.SpeedButton9->isChecked());
    });
    probe.start(0);
    w.Prog->click();
    probe.stop();
    EXPECT_GT(pumps, 0);
    EXPECT_TRUE(downDuringWrite);
    EXPECT_FALSE(w.Prog->isChecked());
    EXPECT_TRUE(w.SpeedButton9->isChecked());
    EXPECT_FALSE(w.UpravlLocked());
    EXPECT_TRUE(w.ReadChip->isEnabled()) << "unlocked after the write";
}

TEST(MainWindow, UpdateButtonOfModupd2520RunsTheSequenceAndSpringsBack)
{
    Station s(kProfile2520, true);
    TProg12& w = s.main();
    w.Okno("old line");
    EXPECT_TRUE(w.SpeedButton3->isChecked());
    w.SpeedButton4->click();
    EXPECT_TRUE(w.Memokno->toPlainText().isEmpty()) << "the log is cleared";
    EXPECT_FALSE(w.SpeedButton4->isChecked());
    EXPECT_TRUE(w.SpeedButton3->isChecked());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    Station t(kProfile4620, true);
    EXPECT_FALSE(t.main().SpeedButton4->isCheckable()) << "modupd4620's update button is not grouped";
}

class PageViews : public testing::Test {
protected:
    void SetUp() override
    {
        for (size_t i = 0; i < ImageBuffers::kMasterSize; ++i)
            s.core.images.MasterImage[i] = static_cast<uint8_t>(i ^ (i >> 8));
        for (size_t i = 0; i < ImageBuffers::kChipSize; ++i)
            s.core.images.ChipImage[i] = static_cast<uint8_t>(i * 7);
    }
    TempCwd cwd;
    Station s{kProfile4620, true};
};

TEST_F(PageViews, FirstPageOfTheLargeChipIsQuickAndFillsTheGauge)
{
    TProg12& w = s.main();
    s.core.chip.ProgramWords = 0x8000;
    w.Gauge1->setValue(5);
    QElapsedTimer t;
    t.start();
    w.SpeedButton5->click();
    const qint64 ms = t.elapsed();
    EXPECT_LT(ms, 500) << "a page of 2048 lines took " << ms << " ms";

    const auto lines = LogLines(w);
    ASSERT_EQ(lines.size(), 1u + 2048u);
    EXPECT_EQ(lines[0], "Карта памяти программ.");
    EXPECT_EQ(lines[1], PageViewLine(s.core.images.MasterImage, 0));
    EXPECT_EQ(lines[2048], PageViewLine(s.core.images.MasterImage, 2047));
    EXPECT_EQ(lines[2048].substr(0, 5), "3FF8:");
    EXPECT_EQ(w.Gauge1->maximum(), 2047);
    EXPECT_EQ(w.Gauge1->value(), 2047);
    EXPECT_TRUE(w.Memokno->updatesEnabled());
}

TEST_F(PageViews, EachPageButtonShowsItsRangeAndIsTheOnlyOneDisabled)
{
    TProg12& w = s.main();
    struct Case {
        ui::SpeedButton* button;
        uint16_t words;
        int page;
    };
    const Case cases[] = {{w.SpeedButton5, 0x4000, 0}, {w.SpeedButton6, 0x4000, 1}, {w.SpeedButton2, 0x8000, 2},
                          {w.SpeedButton8, 0x8000, 3}, {w.SpeedButton2, 0x4000, 2}, {w.SpeedButton8, 0x4000, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.button->objectName().toStdString() << " W=" << c.words);
        s.core.chip.ProgramWords = c.words;
        c.button->click();
        const PageLines r = PageLineRange(c.words, c.page);
        const auto lines = LogLines(w);
        ASSERT_EQ(lines.size(), 1u + r.last - r.first + 1u);
        EXPECT_EQ(lines[1], PageViewLine(s.core.images.MasterImage, r.first));
        EXPECT_EQ(lines.back(), PageViewLine(s.core.images.MasterImage, r.last));
        for (ui::SpeedButton* b : {w.SpeedButton5, w.SpeedButton6, w.SpeedButton2, w.SpeedButton8})
            EXPECT_EQ(b->isEnabled(), b != c.button) << b->objectName().toStdString();
    }
}

TEST_F(PageViews, ChipReadSwitchesThePagesToTheChipImage)
{
    TProg12& w = s.main();
    s.core.chip.ProgramWords = 0x4000;
    w.ReadChip->click();
    auto lines = LogLines(w);
    ASSERT_EQ(lines.size(), 1u + 1024u);
    EXPECT_EQ(lines[0], "Данные кристалла.");
    EXPECT_EQ(lines[1], PageViewLine(s.core.images.ChipImage, 0));
    EXPECT_FALSE(w.SpeedButton5->isEnabled());

    w.SpeedButton6->click(); // the dump source stays on the chip image
    lines = LogLines(w);
    EXPECT_EQ(lines[0], "Данные кристалла.");
    EXPECT_EQ(lines[1], PageViewLine(s.core.images.ChipImage, 1024));
}

TEST(MainWindow, DriverInstructionsStartAtTheirFirstLine)
{
    Station s(kProfile4620, false);
    TProg12& w = s.main();
    w.show();
    w.Okno("old");
    w.SpeedButton20->click();
    const auto lines = LogLines(w);
    ASSERT_GE(lines.size(), 20u);
    EXPECT_EQ(lines[4], "Ниже будет описана процедура установки драйвера:");
    EXPECT_EQ(lines[5], "1)Создайте папку (например \"Vantrel\") на Вашем компьютере и перепишите туда следующие "
                        "файлы:vantrel.inf и папку i386 с файлами: ftdibus.sys; ftbusui.dll; ftd2xx.dll; ftlang.dll.");
    EXPECT_EQ(lines[6], "2)Подключите кабелем к любому свободному разъему программатор Vantrel.");
    EXPECT_EQ(lines[7], "В дальнейшем подключайте программатор именно к этому разъему.В противном случае установку "
                        "драйвера придется повторить.");
    EXPECT_EQ(lines[19], "9)Vantrel - готов к использованию.Можно запускать различные программы обновления для "
                         "разных модулей.");
    // Steps 3) to 8) appear in order between 2) and 9).
    int step = 3;
    for (size_t i = 8; i < 19; ++i)
        if (lines[i].rfind(std::to_string(step) + ")", 0) == 0)
            ++step;
    EXPECT_EQ(step, 9);
    EXPECT_EQ(w.Memokno->textCursor().position(), 0);
    EXPECT_EQ(w.Memokno->verticalScrollBar()->value(), 0);
#ifdef __linux__
    // On Linux the instructions name the udev rule shipped with the program.
    const std::string all = w.Memokno->toPlainText().toStdString();
    const std::string rule = "resources/udev/99-korv-vantrel.rules";
    EXPECT_NE(all.find(rule), std::string::npos);
    EXPECT_TRUE(QFile::exists(QStringLiteral(KORV_SOURCE_DIR "/") + QString::fromStdString(rule)));
#endif
}

TEST(MainWindow, OneSecondTimerCountsInItsTag)
{
    Station s(kProfile4620, false);
    TProg12& w = s.main();
    EXPECT_EQ(w.Timer1->interval(), 1000);
    EXPECT_FALSE(w.Timer1->isActive());
    w.Timer1Tag = 0;
    w.Timer1->start(1);
    QElapsedTimer t;
    t.start();
    while (w.Timer1Tag < 3 && t.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    w.Timer1->stop();
    EXPECT_GE(w.Timer1Tag, 3);
}

} // namespace
} // namespace korv::test
