// The program's windows and its start-up: options, hardware backends, the
// core state and the six windows, created once in this order and kept until
// the program ends: Prog12 (main window), FormConfig, Form_otladka,
// Form_Param, Form_Pred (connector warning), Res_timer (tick source).
#pragma once

#include "app/AppCore.h"
#include "app/VariantProfile.h"

#include <QString>

#include <functional>
#include <string>
#include <vector>

namespace korv {

class QtUiHost;
class TProg12;
class TFormConfig;
class TForm_otladka;
class TForm_Param;
class TForm_Pred;
class TRes_timer;

// Start-up options of both programs.
//   --production        start with Obnovl cleared (production mode)
//   --render=DIR        lay every window out, save DIR/<program>-<mode>-<Window>.png, exit
// Options of other parts of the program (the line layer's --simulate and
// --trace) are kept in `others` for the backend set-up; unknown options are
// accepted and ignored.
struct StartOptions {
    bool production = false;
    bool render = false;
    std::string renderDir;
    std::string argv0;
    std::vector<std::string> others; // every other "--" option, as given
};
StartOptions ParseStartOptions(int argc, char** argv);

class AppWindows {
public:
    // Creates the six windows in their order. The QApplication must exist.
    AppWindows(AppCore& core, QtUiHost& host, const StartOptions& options);
    ~AppWindows();
    AppWindows(const AppWindows&) = delete;
    AppWindows& operator=(const AppWindows&) = delete;

    // Saves a picture of every window laid out for the current mode into
    // options.renderDir; false when a file cannot be written.
    bool RenderAll();

    AppCore& core;
    QtUiHost& host;
    const StartOptions options;

    // The action of the warning's "Да": connects to the adapter and
    // identifies the chip. Set by the programmer-detection code; empty
    // means nothing is detected.
    std::function<void()> ConnectProgrammer;

    // Set when the operator answers "Нет": the program ends without writing
    // anything.
    bool startupCancelled = false;

    TProg12* Prog12 = nullptr;
    TFormConfig* FormConfig = nullptr;
    TForm_otladka* Form_otladka = nullptr;
    TForm_Param* Form_Param = nullptr;
    TForm_Pred* Form_Pred = nullptr;
    TRes_timer* Res_timer = nullptr;
};

// Connects the subsystems of the core to each other and to the windows
// (image loaders; later the warning's programmer detection). Called once,
// after the windows exist and before the start-up dialogue.
void ConnectSubsystems(AppCore& core, AppWindows& windows);

// Name of the operating mode in file names: "update" or "production".
const char* ModeName(bool production);

// The whole program: options, backends, windows, message loop.
int RunApplication(int argc, char** argv, const VariantProfile& profile);

} // namespace korv
