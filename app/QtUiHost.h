// The windows' implementation of UiHost: the log is the main window's
// Memokno, the gauge its Gauge1, dialogs are modal message boxes with one OK
// button, and controls are found as "<Window>.<Control>" by object names
// among the windows registered here.
#pragma once

#include "app/UiHost.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QPlainTextEdit;
class QProgressBar;

namespace korv {

class QtUiHost : public UiHost {
public:
    // Registers one of the program's windows (by its object name).
    void AddWindow(QWidget* window);
    // The log and the gauge of the main window.
    void SetLog(QPlainTextEdit* log) { log_ = log; }
    void SetGauge(QProgressBar* gauge) { gauge_ = gauge; }

    void Okno(const std::string& text) override;
    void ClearLog() override;
    void SetGaugeMax(int max) override;
    void SetGaugeProgress(int progress) override;
    void ProcessMessages() override;
    void ErrorDialog(const std::string& text) override;
    void InfoDialog(const std::string& text) override;
    void CancelDialog(const std::string& text) override;
    void SetText(const std::string& control, const std::string& text) override;
    std::string Text(const std::string& control) const override;
    void SetChecked(const std::string& control, bool checked) override;
    bool Checked(const std::string& control) const override;

    // The control named "<Window>.<Control>", or null.
    QWidget* Find(const std::string& control) const;

    // Dialogs. When recordDialogs is set (the offscreen tests), a dialog is
    // not shown: its text is appended to `errors` or `infos` and onDialog, if
    // set, runs instead of the modal loop.
    bool recordDialogs = false;
    std::vector<std::string> errors;
    std::vector<std::string> infos;
    std::function<void(bool isError, const std::string& text)> onDialog;

private:
    QWidget* DialogParent() const;
    // One modal dialog (error or information icon) with the given single
    // QMessageBox standard button, or its record in test mode.
    void ShowDialog(bool isError, const std::string& text, int button);

    QList<QPointer<QWidget>> windows_;
    QPointer<QPlainTextEdit> log_;
    QPointer<QProgressBar> gauge_;
};

} // namespace korv
