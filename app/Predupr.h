// The start-up warning: the module has two programming connectors, and the
// operator confirms that the adapter sits on the right one. "Да" connects to
// the adapter and identifies the chip, "Нет" ends the program. A gauge
// across the top fills in ten 50 ms steps while the question is open.
#pragma once

#include "app/VariantProfile.h"

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <cstdint>
#include <functional>

namespace korv {

class TForm_Pred : public QDialog {
    Q_OBJECT
public:
    explicit TForm_Pred(const VariantProfile& profile);

    void FormShow();
    void Timer1Timer();
    void BitBtn1Click();
    void BitBtn2Click();

    // Run by "Да" before the window closes (programmer detection).
    std::function<void()> onYes;
    // Run by "Нет" after the window closed (closes the main window).
    std::function<void()> onNo;

    QProgressBar* Gauge1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Image1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QTimer* Timer1;
    uint16_t GaugeSteps = 10;

    // Neither Escape nor the window manager's close dismisses the question:
    // only "Да" and "Нет" do.
    void reject() override {}

protected:
    void showEvent(QShowEvent* e) override;
};

} // namespace korv
