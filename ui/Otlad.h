// Hardware line debugging panel: drives each programming line of the
// adapter by hand and runs endless test patterns on them for an oscilloscope
// or a logic probe, until "Завершить" or closing the panel raises DebugStop.
#pragma once

#include "app/AppCore.h"
#include "ui/Controls.h"

#include <QDialog>
#include <QLabel>

namespace korv {

class TForm_otladka : public QDialog {
    Q_OBJECT
public:
    explicit TForm_otladka(AppCore& core);

    // Stop flag of the test loops.
    bool DebugStop = false;
    bool ClockToggle = false;
    bool DataToggle = false;
    bool MclrToggle = false;
    bool SyncToggle = false;
    bool SupplyToggle = false; // modupd2520: state of the "3v/5v" button

    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton9Click();
    void SpeedButton10Click();
    void DataClick();
    void ZadClick();
    void ZaverchClick();
    void SpeedButton7Click();
    void SpeedButton6Click();
    void SpeedButton4Click();
    void SpeedButton5Click();

    ui::SpeedButton* SpeedButton1;
    ui::SpeedButton* SpeedButton2;
    ui::SpeedButton* SpeedButton3;
    ui::SpeedButton* SpeedButton9;
    ui::SpeedButton* SpeedButton10 = nullptr; // modupd4620 only
    ui::SpeedButton* Data;
    ui::SpeedButton* Zad;
    ui::SpeedButton* Zaverch;
    ui::SpeedButton* SpeedButton8;
    ui::SpeedButton* SpeedButton7;
    ui::SpeedButton* SpeedButton4;
    ui::SpeedButton* SpeedButton5;
    QLabel* Label1;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    AppCore& core_;
    ui::ButtonGroups groups_;
};

} // namespace korv
