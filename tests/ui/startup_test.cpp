// Start-up and shutdown of the program: the settings file, the connector
// warning, the mode flag, the hidden tick window, the options and the
// window pictures.
#include "UiStation.h"

#include "app/IniFile.h"

#include <QFile>
#include <QFileInfo>
#include <QApplication>
#include <QDateTime>
#include <QImage>

namespace korv::test {
namespace {

std::string ReadAll(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll().toStdString();
}

void WriteAll(const QString& path, const std::string& text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text.data(), static_cast<qint64>(text.size()));
}

const char kSampleIni[] = "[FormConfig]\r\n"
                          "ConfigWrite[0]=165\r\n"
                          "ConfigWrite[1]=300\r\n"
                          "ConfigWrite[13]=7\r\n"
                          "[Form_Param]\r\n"
                          "Edit1=d:\\fw\\update.hex\r\n"
                          "Edit2=d:\\fw\\boot4620.hex\r\n"
                          "Edit5=d:\\fw\\boot452.crp\r\n"
                          "ConfigChip=0x2A\r\n"
                          "AdrLpt=956\r\n";

TEST(StartUp, SettingsOfTheWorkingDirectoryFillTheWindows)
{
    for (const VariantProfile* p : kProfiles) {
        SCOPED_TRACE(p->programName);
        TempCwd cwd;
        WriteAll(cwd.SettingsFile(), kSampleIni);
        Station s(*p, false);
        ASSERT_TRUE(s.StartUp(true));

        EXPECT_EQ(QFileInfo(QString::fromStdString(s.core.settings.SettingsPath)).canonicalFilePath(),
                  QFileInfo(cwd.SettingsFile()).canonicalFilePath());
        EXPECT_EQ(s.windows->FormConfig->Edit[0]->text(), QStringLiteral("10100101"));
        EXPECT_EQ(s.windows->FormConfig->Edit[1]->text(), QStringLiteral("00101100")) << "300 keeps its low 8 bits";
        EXPECT_EQ(s.windows->FormConfig->Edit[13]->text(), QStringLiteral("00000111"));
        EXPECT_EQ(s.windows->Form_Param->Edit2->text(), QStringLiteral("d:\\fw\\boot4620.hex"));
        EXPECT_EQ(s.windows->Form_Param->Edit5->text(), QStringLiteral("d:\\fw\\boot452.crp"));
        if (p->hasEdit1Key)
            EXPECT_EQ(s.windows->Form_Param->Edit1->text(), QStringLiteral("d:\\fw\\update.hex"));
        else
            EXPECT_EQ(s.windows->Form_Param->Edit1, nullptr);
        EXPECT_EQ(s.core.settings.ConfigChip, 0x2A);
        EXPECT_EQ(s.core.settings.LptBase, 956);
        EXPECT_EQ(s.core.hw.portProg.LptBase, 956) << "the line layer uses the address read";
        // The update image is loaded after the warning.
        EXPECT_EQ(s.host.Text("Prog12.Label3"), p->oldChip.loadedStatus);
    }
}

TEST(StartUp, WarningYesRunsDetectionThenProceeds)
{
    TempCwd cwd;
    Station s(kProfile4620, false);
    int detections = 0;
    bool warningOpenDuringDetection = false;
    s.windows->ConnectProgrammer = [&] {
        ++detections;
        warningOpenDuringDetection = s.windows->Form_Pred->isVisible();
    };
    EXPECT_TRUE(s.StartUp(true));
    EXPECT_EQ(detections, 1);
    EXPECT_TRUE(warningOpenDuringDetection);
    EXPECT_FALSE(s.windows->Form_Pred->isVisible());
    EXPECT_TRUE(s.main().isVisible());
}

// "Нет" ends the program without writing anything, even in production mode
// where closing the main window otherwise writes the settings.
TEST(StartUp, WarningNoEndsTheProgramWithoutWriting)
{
    for (const VariantProfile* p : kProfiles) {
        for (bool fileExists : {false, true}) {
            SCOPED_TRACE(testing::Message() << p->programName << (fileExists ? " with file" : " without file"));
            TempCwd cwd;
            if (fileExists)
                WriteAll(cwd.SettingsFile(), kSampleIni);
            Station s(*p, true);
            int detections = 0;
            s.windows->ConnectProgrammer = [&] { ++detections; };
            EXPECT_FALSE(s.StartUp(false));
            EXPECT_EQ(detections, 0);
            for (QWidget* w : QApplication::topLevelWidgets())
                EXPECT_FALSE(w->isVisible()) << w->objectName().toStdString() << " still open";
            EXPECT_EQ(s.host.Text("Prog12.Label3"), "") << "no image is loaded after \"Нет\"";
            EXPECT_EQ(QFile::exists(cwd.SettingsFile()), fileExists);
            if (fileExists) {
                EXPECT_EQ(ReadAll(cwd.SettingsFile()), kSampleIni);
            }
        }
    }
}

TEST(Shutdown, UpdateModeLeavesTheSettingsFileUntouched)
{
    for (const VariantProfile* p : kProfiles) {
        SCOPED_TRACE(p->programName);
        TempCwd cwd;
        WriteAll(cwd.SettingsFile(), kSampleIni);
        const QDateTime stamp = QFileInfo(cwd.SettingsFile()).lastModified();
        {
            Station s(*p, false);
            ASSERT_TRUE(s.StartUp(true));
            s.windows->Form_Param->Edit2->setText(QStringLiteral("changed"));
            s.core.images.ConfigImage[0] = 0;
            s.main().close();
        }
        EXPECT_EQ(ReadAll(cwd.SettingsFile()), kSampleIni);
        EXPECT_EQ(QFileInfo(cwd.SettingsFile()).lastModified(), stamp);

        TempCwd empty;
        {
            Station s(*p, false);
            ASSERT_TRUE(s.StartUp(true));
            s.main().close();
        }
        EXPECT_FALSE(QFile::exists(empty.SettingsFile()));
    }
}

TEST(Shutdown, ClosingBeforeTheStartUpReadKeepsTheFile)
{
    TempCwd cwd;
    WriteAll(cwd.SettingsFile(), kSampleIni);
    {
        Station s(kProfile4620, true);
        s.main().show();
        s.main().close(); // before the start-up dialogue ran
        EXPECT_TRUE(s.host.errors.empty());
    }
    EXPECT_EQ(ReadAll(cwd.SettingsFile()), kSampleIni);
}

TEST(Shutdown, ProductionModeWritesTheSettings)
{
    struct Case {
        const VariantProfile* profile;
        const char* edit1;     // update-file path (modupd4620 only)
        bool configWritten;    // ConfigWrite keys replaced
    };
    const Case cases[] = {
        {&kProfile4620, "d:\\fw\\update.bin", true},
        {&kProfile4620, "d:\\fw\\update.BiN", true},
        {&kProfile4620, "d:\\fw\\update.hex", false},
        {&kProfile4620, "d:\\fw\\update.crp", false},
        {&kProfile2520, nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.profile->programName << " " << (c.edit1 ? c.edit1 : "-"));
        TempCwd cwd;
        WriteAll(cwd.SettingsFile(), kSampleIni);
        {
            Station s(*c.profile, true);
            ASSERT_TRUE(s.StartUp(true));
            if (c.edit1)
                s.windows->Form_Param->Edit1->setText(QString::fromLatin1(c.edit1));
            s.windows->Form_Param->Edit2->setText(QStringLiteral("e:\\new\\a.hex"));
            s.windows->Form_Param->Edit5->setText(QStringLiteral("e:\\new\\b.crp"));
            for (int i = 0; i < 14; ++i)
                s.core.images.ConfigImage[i] = static_cast<uint8_t>(0x10 + i);
            s.core.hw.portProg.LptBase = 0x278; // changed during the run, as the parameters panel does
            s.main().close();
            EXPECT_TRUE(s.host.errors.empty());
        }
        IniFile ini;
        ASSERT_TRUE(ini.Load(cwd.SettingsFile().toStdString()));
        EXPECT_EQ(ini.ReadString("Form_Param", "Edit2", ""), "e:\\new\\a.hex");
        EXPECT_EQ(ini.ReadString("Form_Param", "Edit5", ""), "e:\\new\\b.crp");
        EXPECT_EQ(ini.ReadInteger("Form_Param", "AdrLpt", 0), 0x278);
        EXPECT_EQ(ini.ReadString("Form_Param", "ConfigChip", ""), "0x2A") << "ConfigChip is never written";
        if (c.edit1)
            EXPECT_EQ(ini.ReadString("Form_Param", "Edit1", ""), c.edit1);
        else
            EXPECT_EQ(ini.ReadString("Form_Param", "Edit1", ""), "d:\\fw\\update.hex") << "no Edit1 key in modupd2520";
        if (c.configWritten) {
            for (int i = 0; i < 14; ++i)
                EXPECT_EQ(ini.ReadInteger("FormConfig", "ConfigWrite[" + std::to_string(i) + "]", -1), 0x10 + i);
        } else {
            EXPECT_EQ(ini.ReadInteger("FormConfig", "ConfigWrite[0]", -1), 165);
            EXPECT_EQ(ini.ReadInteger("FormConfig", "ConfigWrite[1]", -1), 300);
            EXPECT_FALSE(ini.HasKey("FormConfig", "ConfigWrite[2]"));
        }
    }
}

TEST(WarningWindow, TextsFollowTheProfile)
{
    for (const VariantProfile* p : kProfiles) {
        SCOPED_TRACE(p->programName);
        Station s(*p, false);
        TForm_Pred& f = *s.windows->Form_Pred;
        EXPECT_EQ(f.windowTitle(), QStringLiteral("Загрузка и подготовка данных"));
        EXPECT_EQ(f.Label1->text().trimmed(), QStringLiteral("У модуля 2 разъема для программирования , не перепутайте!"));
        EXPECT_EQ(f.Label2->text().trimmed().toStdString(), p->warningLine2);
        EXPECT_EQ(f.Label3->text().trimmed(), QStringLiteral("Вы уверены ,что  подключили программатор  к модулю KORV ?"));
        EXPECT_TRUE(f.Label1->text().startsWith(QLatin1Char(' ')));
        EXPECT_EQ(f.BitBtn1->text(), QStringLiteral("Да"));
        EXPECT_EQ(f.BitBtn2->text(), QStringLiteral("Нет"));
        EXPECT_TRUE(f.BitBtn1->font().bold());
        EXPECT_FALSE(f.Image1->pixmap().isNull()) << "connector picture";
    }
    Station a(kProfile4620, false);
    Station b(kProfile2520, false);
    EXPECT_NE(a.windows->Form_Pred->Label2->text(), b.windows->Form_Pred->Label2->text());
}

TEST(WarningWindow, GaugeFillsInTenTicksAndTheTimerStopsOnTheEleventh)
{
    Station s(kProfile4620, false);
    TForm_Pred& f = *s.windows->Form_Pred;
    EXPECT_EQ(f.Timer1->interval(), 50);
    EXPECT_TRUE(f.Timer1->isActive()) << "enabled from creation";
    f.FormShow();
    EXPECT_EQ(f.Gauge1->maximum(), 10);
    EXPECT_EQ(f.Gauge1->value(), 0);
    for (int tick = 1; tick <= 10; ++tick) {
        f.Timer1Timer();
        EXPECT_EQ(f.Gauge1->value(), tick);
        EXPECT_TRUE(f.Timer1->isActive());
    }
    f.Timer1Timer();
    EXPECT_EQ(f.Gauge1->value(), 10);
    EXPECT_FALSE(f.Timer1->isActive());
}

TEST(WarningWindow, OnlyItsButtonsCloseIt)
{
    Station s(kProfile2520, false);
    TForm_Pred& f = *s.windows->Form_Pred;
    f.show();
    f.reject(); // Escape
    EXPECT_TRUE(f.isVisible());
    f.close(); // the window manager's close
    EXPECT_TRUE(f.isVisible());
    f.BitBtn1->click();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.result(), QDialog::Accepted);
}

TEST(Windows, SixWindowsByObjectNameAndTheTickWindow)
{
    Station s(kProfile4620, false);
    const char* const names[] = {"Prog12", "FormConfig", "Form_otladka", "Form_Param", "Form_Pred", "Res_timer"};
    for (const char* n : names) {
        QWidget* w = s.host.Find(n + std::string("."));
        ASSERT_NE(w, nullptr) << n;
        EXPECT_TRUE(w->isWindow()) << n;
    }
    TRes_timer& r = *s.windows->Res_timer;
    EXPECT_EQ(r.windowTitle(), QStringLiteral("Res_timer"));
    EXPECT_EQ(r.size(), QSize(104, 28));
    s.ticks.now = 0xFFFFFFF0u;
    EXPECT_EQ(r.TickCount(), 0xFFFFFFF0u);
    s.ticks.now = 5;
    EXPECT_EQ(r.TickCount(), 5u);
}

TEST(Windows, ModeFlagStartsFromTheProductionOption)
{
    for (bool production : {false, true}) {
        Station s(kProfile4620, production);
        QCheckBox* o = s.windows->Form_Param->Obnovl;
        EXPECT_EQ(o->isChecked(), !production);
        EXPECT_TRUE(o->isHidden());
        EXPECT_EQ(o->text(), QStringLiteral("Обновление"));
    }
}

TEST(Windows, ParametersPanelPathLabelsByVariant)
{
    Station a(kProfile4620, true);
    EXPECT_EQ(a.windows->Form_Param->Label2->text(), QStringLiteral("Путь и имя файла BOOT загрузчика 4620:"));
    EXPECT_EQ(a.windows->Form_Param->Label3->text(), QStringLiteral("Путь и имя файла BOOT загрузчика 452:"));
    EXPECT_EQ(a.windows->Form_Param->Label5->text(), QStringLiteral("Путь поиска и имя файла програмной памяти:"));
    EXPECT_EQ(a.windows->Form_Param->Edit4->maxLength(), 4);
    Station b(kProfile2520, true);
    EXPECT_EQ(b.windows->Form_Param->Label2->text().toStdString(), kProfile2520.paramLabelNew);
    EXPECT_EQ(b.windows->Form_Param->Label3->text().toStdString(), kProfile2520.paramLabelOld);
    EXPECT_EQ(b.windows->Form_Param->Label5, nullptr);
    EXPECT_EQ(b.host.Find("Form_Param.Edit1"), nullptr);
}

TEST(Windows, DebuggingPanelButtonsByVariant)
{
    Station a(kProfile4620, true);
    Station b(kProfile2520, true);
    EXPECT_EQ(a.windows->Form_otladka->Zad->text(), QStringLiteral("Гот.-?"));
    EXPECT_EQ(b.windows->Form_otladka->Zad->text(), QStringLiteral("Гот-?"));
    EXPECT_EQ(a.windows->Form_otladka->SpeedButton9->text(), QStringLiteral("5v"));
    EXPECT_EQ(b.windows->Form_otladka->SpeedButton9->text(), QStringLiteral("3v/5v"));
    EXPECT_NE(a.host.Find("Form_otladka.SpeedButton10"), nullptr);
    EXPECT_EQ(b.host.Find("Form_otladka.SpeedButton10"), nullptr);
    // Opening the parameters panel raises the loops' stop flag first.
    TForm_otladka& d = *a.windows->Form_otladka;
    d.DebugStop = false;
    QTimer::singleShot(0, a.windows->Form_Param, [&] { a.windows->Form_Param->done(0); });
    a.main().ParamClick();
    EXPECT_TRUE(d.DebugStop);
}

TEST(QtHost, ControlsByWindowAndName)
{
    Station s(kProfile4620, true);
    struct Case {
        const char* control;
        const char* text;
    };
    const Case cases[] = {
        {"Prog12.Label2", "Devid1=7 Devid2=C"},     // label
        {"Form_Param.Edit2", "c:\\boot\\x.hex"},    // edit box
        {"FormConfig.StaticText1", "Конфигурация OK"}, // result box
        {"FormConfig.Edit14", "10000000"},          // WRITE field
        {"Prog12.GroupBox2.StaticText1", ""},       // not a valid address: nothing found
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        s.host.SetText(c.control, c.text);
        EXPECT_EQ(s.host.Text(c.control), c.text);
    }
    EXPECT_EQ(s.windows->Form_Param->Edit2->text(), QStringLiteral("c:\\boot\\x.hex"));
    EXPECT_EQ(s.host.Text("Nowhere.Label2"), "");
    EXPECT_EQ(s.host.Text("Prog12.NoSuchControl"), "");

    s.host.SetChecked("Prog12.Prog4520", true);
    EXPECT_TRUE(s.main().Prog4520->isChecked());
    EXPECT_TRUE(s.host.Checked("Prog12.Prog4520"));
    EXPECT_FALSE(s.host.Checked("Prog12.CheckBox2"));
    EXPECT_TRUE(s.host.Checked("Form_Param.Obnovl") == false);

    s.host.Okno("первая");
    s.host.Okno("вторая");
    EXPECT_EQ(s.main().Memokno->toPlainText(), QStringLiteral("первая\nвторая"));
    s.host.ClearLog();
    EXPECT_TRUE(s.main().Memokno->toPlainText().isEmpty());

    s.host.SetGaugeMax(40);
    s.host.SetGaugeProgress(12);
    EXPECT_EQ(s.main().Gauge1->maximum(), 40);
    EXPECT_EQ(s.main().Gauge1->value(), 12);
    s.host.SetGaugeProgress(99); // held at the maximum
    EXPECT_EQ(s.main().Gauge1->value(), 40);
    s.host.SetGaugeMax(0); // an empty range: an empty bar, not Qt's busy animation
    s.host.SetGaugeProgress(0);
    EXPECT_LT(s.main().Gauge1->minimum(), s.main().Gauge1->maximum());
    EXPECT_EQ(s.main().Gauge1->value(), 0);

    s.host.ErrorDialog("Ошибка");
    s.host.InfoDialog("Не введен Адрес порта.");
    EXPECT_EQ(s.host.errors, std::vector<std::string>{"Ошибка"});
    EXPECT_EQ(s.host.infos, std::vector<std::string>{"Не введен Адрес порта."});
}

TEST(Options, ParsedInOnePlace)
{
    struct Case {
        std::vector<const char*> argv;
        bool production;
        bool render;
        const char* renderDir;
        size_t others;
    };
    const Case cases[] = {
        {{"modupd4620"}, false, false, "", 0},
        {{"modupd4620", "--production"}, true, false, "", 0},
        {{"modupd2520", "--render=out/windows", "--production"}, true, true, "out/windows", 0},
        {{"modupd2520", "--render="}, false, true, ".", 0},
        {{"modupd4620", "--simulate=usb,PIC18F452", "--trace=t.vcd", "--future"}, false, false, "", 3},
        {{"modupd4620", "plain-argument"}, false, false, "", 0},
    };
    for (const Case& c : cases) {
        std::vector<char*> argv;
        for (const char* a : c.argv)
            argv.push_back(const_cast<char*>(a));
        const StartOptions o = ParseStartOptions(static_cast<int>(argv.size()), argv.data());
        SCOPED_TRACE(argv.size() > 1 ? argv[1] : "(none)");
        EXPECT_EQ(o.argv0, c.argv[0]);
        EXPECT_EQ(o.production, c.production);
        EXPECT_EQ(o.render, c.render);
        EXPECT_EQ(o.renderDir, c.renderDir);
        EXPECT_EQ(o.others.size(), c.others);
    }
}

TEST(Render, EveryWindowIsSavedUnderProgramModeAndName)
{
    for (const VariantProfile* p : kProfiles) {
        TempCwd cwd;
        StartOptions o;
        o.argv0 = "korv_ui_tests";
        o.render = true;
        o.renderDir = cwd.Path(QStringLiteral("pictures")).toStdString();
        FakeTicks ticks;
        QtUiHost host;
        host.recordDialogs = true;
        AppCore core(*p, host, ticks);
        AppWindows windows(core, host, o);
        ConnectSubsystems(core, windows);
        ASSERT_TRUE(windows.RenderAll());
        for (const char* n : {"Prog12", "FormConfig", "Form_otladka", "Form_Param", "Form_Pred", "Res_timer"}) {
            const QString file = QStringLiteral("%1/%2-update-%3.png")
                                     .arg(QString::fromStdString(o.renderDir), QString::fromUtf8(p->programName),
                                          QString::fromLatin1(n));
            QImage img(file);
            EXPECT_FALSE(img.isNull()) << file.toStdString();
            if (QLatin1String(n) == QLatin1String("Prog12")) {
                EXPECT_EQ(img.size(), QSize(799, 441));
            }
        }
        EXPECT_FALSE(windows.Form_Pred->isVisible());
    }
}

} // namespace
} // namespace korv::test
