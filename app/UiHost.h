// The small interface through which the core reports to the operator: the
// main window's log, its gauge, the message pump, modal dialogs and the few
// controls whose text or tick mark the core reads or sets. The Qt windows
// implement it; tests use a recording implementation.
//
// Controls are addressed as "<Window>.<Control>", with the window's object
// name (class name without the leading T) and the control's object name:
// "Prog12.Label2", "Prog12.Prog4520", "Form_Param.Edit2",
// "FormConfig.StaticText1". All texts are UTF-8.
#pragma once

#include <string>

namespace korv {

class UiHost {
public:
    virtual ~UiHost() = default;

    // Appends one line to the main window's log (Memokno).
    virtual void Okno(const std::string& text) = 0;
    // Empties the main window's log.
    virtual void ClearLog() = 0;

    // Main window's vertical gauge Gauge1.
    virtual void SetGaugeMax(int max) = 0;
    virtual void SetGaugeProgress(int progress) = 0;

    // Lets the window system process pending events (the message pump).
    virtual void ProcessMessages() = 0;

    // Modal dialogs with one OK button.
    virtual void ErrorDialog(const std::string& text) = 0;
    virtual void InfoDialog(const std::string& text) = 0;
    // Modal information dialog whose single button is Cancel (the verdict
    // of a device-ID read that names no chip of the pair).
    virtual void CancelDialog(const std::string& text) { InfoDialog(text); }

    // Controls by "<Window>.<Control>" name.
    virtual void SetText(const std::string& control, const std::string& text) = 0;
    virtual std::string Text(const std::string& control) const = 0;
    virtual void SetChecked(const std::string& control, bool checked) = 0;
    virtual bool Checked(const std::string& control) const = 0;
};

} // namespace korv
