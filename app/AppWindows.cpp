#include "app/AppWindows.h"

#include "app/Backends.h"
#include "hw/Detect.h"

#include "app/Predupr.h"
#include "app/QtUiHost.h"
#include "app/SresTim.h"
#include "app/prog_12.h"
#include "image/Container.h"
#include "ui/ConfigF.h"
#include "ui/Controls.h"
#include "ui/Otlad.h"
#include "ui/Param_m.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>

// The window pictures are compiled into the UI library; a static library's
// resources are registered explicitly.
static void InitPictureResources() { Q_INIT_RESOURCE(pictures); }

namespace korv {

StartOptions ParseStartOptions(int argc, char** argv)
{
    StartOptions o;
    if (argc > 0 && argv[0])
        o.argv0 = argv[0];
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i] ? argv[i] : "";
        if (a == "--production") {
            o.production = true;
        } else if (a.rfind("--render=", 0) == 0) {
            o.render = true;
            o.renderDir = a.substr(std::strlen("--render="));
            if (o.renderDir.empty())
                o.renderDir = ".";
        } else if (a.rfind("--", 0) == 0) {
            o.others.push_back(a);
        }
    }
    return o;
}

void ConnectSubsystems(AppCore& core, AppWindows& windows)
{
    InstallContainerLoaders(core.loaderHooks);
    // The warning's "Да": adapter search and chip identification.
    windows.ConnectProgrammer = [&core] { korv::ConnectProgrammer(core); };
}

const char* ModeName(bool production) { return production ? "production" : "update"; }

AppWindows::AppWindows(AppCore& c, QtUiHost& h, const StartOptions& o) : core(c), host(h), options(o)
{
    InitPictureResources();

    Prog12 = new TProg12(core, *this);
    host.AddWindow(Prog12);
    host.SetLog(Prog12->Memokno);
    host.SetGauge(Prog12->Gauge1);

    FormConfig = new TFormConfig(core);
    host.AddWindow(FormConfig);

    Form_otladka = new TForm_otladka(core);
    host.AddWindow(Form_otladka);

    // Obnovl is created ticked (update mode) unless the run starts in
    // production mode.
    Form_Param = new TForm_Param(core, !options.production);
    host.AddWindow(Form_Param);

    Form_Pred = new TForm_Pred(core.profile);
    host.AddWindow(Form_Pred);
    Form_Pred->onYes = [this] {
        if (ConnectProgrammer)
            ConnectProgrammer();
    };
    Form_Pred->onNo = [this] {
        startupCancelled = true;
        Prog12->close();
    };

    Res_timer = new TRes_timer(core.ticks);
    host.AddWindow(Res_timer);
}

AppWindows::~AppWindows()
{
    delete Res_timer;
    delete Form_Pred;
    delete Form_Param;
    delete Form_otladka;
    delete FormConfig;
    delete Prog12;
}

bool AppWindows::RenderAll()
{
    const QString dir = QString::fromStdString(options.renderDir);
    if (!QDir().mkpath(dir))
        return false;
    const QString prefix = QStringLiteral("%1/%2-%3-")
                               .arg(dir, QString::fromUtf8(core.profile.programName),
                                    QString::fromLatin1(ModeName(options.production)));

    // The main window as the operator sees it after start-up, without the
    // modal question.
    Prog12->show();
    Prog12->FormShow(false);
    QApplication::processEvents();

    bool ok = true;
    const QList<QWidget*> all = {Prog12, FormConfig, Form_otladka, Form_Param, Form_Pred, Res_timer};
    for (QWidget* w : all) {
        const bool wasVisible = w->isVisible();
        if (!wasVisible)
            w->show();
        QApplication::processEvents();
        const QPixmap pm = w->grab();
        ok = pm.save(prefix + w->objectName() + QStringLiteral(".png")) && ok;
        if (!wasVisible)
            w->hide();
    }
    return ok;
}

namespace {

// Offscreen rendering needs a font directory with Cyrillic glyphs.
void PrepareDisplay(const StartOptions& o)
{
    if (o.render && !std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    const char* dejavu = "/usr/share/fonts/truetype/dejavu";
    if (platform && std::strcmp(platform, "offscreen") == 0 && !std::getenv("QT_QPA_FONTDIR") &&
        QFileInfo::exists(QString::fromLatin1(dejavu)))
        setenv("QT_QPA_FONTDIR", dejavu, 1);
}

} // namespace

int RunApplication(int argc, char** argv, const VariantProfile& profile)
{
    const StartOptions options = ParseStartOptions(argc, argv);
    PrepareDisplay(options);
    QApplication app(argc, argv);
    ui::ApplyApplicationLook();

    // ---- Hardware backends -------------------------------------------------
    // The one place where the program chooses what it talks to: the real
    // parallel port, D2XX library and tick, or the simulated station of
    // --simulate[=usb|lpt][,CHIP] with --trace=FILE, from options.others.
    Backends backends(profile, ParseBackendOptions(profile, options.others));
    if (backends.Simulated() || backends.HasProblems())
        std::fprintf(stderr, "%s: %s\n", profile.programName, backends.Describe().c_str());
    TickSource& ticks = backends.Ticks();
    // -------------------------------------------------------------------------

    QtUiHost host;
    AppCore core(profile, host, ticks);
    backends.Attach(core);
    AppWindows windows(core, host, options);
    ConnectSubsystems(core, windows);

    if (options.render)
        return windows.RenderAll() ? 0 : 1;

    windows.Prog12->show();
    // The start-up dialogue runs once the main window is on the screen.
    QTimer::singleShot(0, windows.Prog12, [&windows] { windows.Prog12->FormShow(); });
    return app.exec();
}

} // namespace korv
