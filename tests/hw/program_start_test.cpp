// The program's start on the simulated bench, built as RunApplication builds
// it (backends from the options, the windows, the warning's "Да"): the log
// shows the connection messages a start with that adapter shows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdlib>
#include <memory>

#include "app/AppCore.h"
#include "app/AppWindows.h"
#include "app/Backends.h"
#include "app/Predupr.h"
#include "app/QtUiHost.h"
#include "app/prog_12.h"

namespace korv::test {
namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "korv_hw_tests";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

struct ProgramStart {
    ProgramStart(const VariantProfile& p, std::vector<std::string> args)
        : backends(p, ParseBackendOptions(p, args)), core(p, host, backends.Ticks())
    {
        QDir::setCurrent(dir.path());
        backends.Attach(core);
        StartOptions o;
        o.argv0 = p.programName;
        o.others = args;
        windows = std::make_unique<AppWindows>(core, host, o);
        ConnectSubsystems(core, *windows);
    }
    ~ProgramStart()
    {
        windows.reset();
        QDir::setCurrent(old);
    }
    QStringList Log() const
    {
        return windows->Prog12->Memokno->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    void StartUp()
    {
        windows->Prog12->show();
        QTimer::singleShot(0, windows->Form_Pred, [this] { windows->Form_Pred->BitBtn1->click(); });
        windows->Prog12->FormShow();
    }

    QString old = QDir::currentPath();
    QTemporaryDir dir;
    Backends backends;
    QtUiHost host;
    AppCore core;
    std::unique_ptr<AppWindows> windows;
};

TEST(ProgramStart, SimulatedBenchConnectsAsARealStart)
{
    App();
    struct Case {
        const VariantProfile* profile;
        std::vector<std::string> args;
        const char* opened;
        bool usb;
    } cases[] = {
        {&kProfile4620, {"--simulate"}, "Программатор Vantrel успешно открыт!", true},
        {&kProfile2520, {"--simulate"}, "Программатор Vantrel успешно открыт!", true},
        {&kProfile4620, {"--simulate=lpt"}, "Программатор Kerdis успешно открыт!", false},
        {&kProfile2520, {"--simulate=lpt,PIC18F252"}, "Программатор Kerdis успешно открыт!", false},
    };
    for (const Case& c : cases) {
        ProgramStart s(*c.profile, c.args);
        s.StartUp();
        const QStringList log = s.Log();
        EXPECT_TRUE(log.contains(QString::fromUtf8(c.opened))) << c.profile->programName << " " << c.args[0]
                                                               << ": " << log.join(" | ").toStdString();
        EXPECT_EQ(s.core.hw.portProg.ProgrammerKind == Programmer::Usb, c.usb);
        EXPECT_EQ(s.host.Checked("Prog12.CheckUSB"), c.usb);
        EXPECT_EQ(s.host.Checked("Prog12.CheckBox1"), !c.usb);
        // The module's chip is identified: one of the two indicators.
        EXPECT_NE(s.host.Checked("Prog12.Prog4520"), s.host.Checked("Prog12.CheckBox2"))
            << log.join(" | ").toStdString();
        EXPECT_TRUE(s.backends.Station()->chip().violations().empty());
    }
}

// The window's creation presets the data-register copy, and the settings
// file's port address reaches the line layer before the first detection.
TEST(ProgramStart, LineLayerTakesTheShadowPresetAndThePortAddress)
{
    App();
    for (const VariantProfile* p : {&kProfile4620, &kProfile2520}) {
        ProgramStart s(*p, {"--simulate"});
        EXPECT_EQ(s.core.hw.portProg.LptDataShadow & 0x08, 0x08);
        // The settings file is named after the running executable.
        QFile ini(s.dir.filePath(QStringLiteral("korv_hw_tests.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[Form_Param]\r\nAdrLpt=632\r\n");
        ini.close();
        s.StartUp();
        EXPECT_EQ(s.core.hw.portProg.LptBase, 632) << p->programName;
        EXPECT_EQ(s.core.hw.portProg.LptDataShadow & 0xE8, 0x08) << p->programName;
    }
}

} // namespace
} // namespace korv::test
