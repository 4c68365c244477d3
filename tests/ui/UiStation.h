// Test support: one QApplication for the test program (offscreen), and a
// "station" that builds the application's windows exactly as the program
// does, for a chosen profile and mode, in a temporary working directory.
#pragma once

#include "app/AppCore.h"
#include "app/Backends.h"
#include "app/AppWindows.h"
#include "app/Predupr.h"
#include "app/QtUiHost.h"
#include "app/SresTim.h"
#include "app/prog_12.h"
#include "ui/ConfigF.h"
#include "ui/Otlad.h"
#include "ui/Param_m.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace korv::test {

class FakeTicks : public TickSource {
public:
    uint32_t TickCount() override { return now; }
    uint32_t now = 0;
};

// Runs the test in an empty temporary working directory, where the program
// reads and writes its settings file.
class TempCwd {
public:
    TempCwd() : old_(QDir::currentPath()) { QDir::setCurrent(dir_.path()); }
    ~TempCwd() { QDir::setCurrent(old_); }
    QString Path(const QString& name) const { return dir_.filePath(name); }
    // The settings file of this test program in the working directory.
    QString SettingsFile() const { return Path(QStringLiteral("korv_ui_tests.ini")); }

private:
    QTemporaryDir dir_;
    QString old_;
};

struct Station {
    Station(const VariantProfile& p, bool production) : core(p, host, ticks)
    {
        StartOptions o;
        o.argv0 = "korv_ui_tests";
        o.production = production;
        windows = std::make_unique<AppWindows>(core, host, o);
        ConnectSubsystems(core, *windows);
        host.recordDialogs = true;
    }
    ~Station()
    {
        windows.reset();
    }

    // The start-up dialogue with the operator answering the warning.
    bool StartUp(bool yes)
    {
        windows->Prog12->show();
        QTimer::singleShot(0, windows->Form_Pred, [this, yes] {
            (yes ? windows->Form_Pred->BitBtn1 : windows->Form_Pred->BitBtn2)->click();
        });
        return windows->Prog12->FormShow();
    }

    TProg12& main() { return *windows->Prog12; }

    FakeTicks ticks;
    QtUiHost host;
    AppCore core;
    std::unique_ptr<AppWindows> windows;
};

// The same windows on the simulated bench, with the backends the program
// builds from a --simulate option.
struct SimStation {
    SimStation(const VariantProfile& p, const std::string& simulate, bool production)
        : backends(p, ParseBackendOptions(p, {simulate})), core(p, host, backends.Ticks())
    {
        backends.Attach(core);
        StartOptions o;
        o.argv0 = "korv_ui_tests";
        o.production = production;
        windows = std::make_unique<AppWindows>(core, host, o);
        ConnectSubsystems(core, *windows);
        host.recordDialogs = true;
    }
    TProg12& main() { return *windows->Prog12; }

    Backends backends;
    QtUiHost host;
    AppCore core;
    std::unique_ptr<AppWindows> windows;
};

inline const VariantProfile* const kProfiles[] = {&kProfile4620, &kProfile2520};

} // namespace korv::test
