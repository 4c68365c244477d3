// Parameters panel: the firmware file paths, the parallel port's base
// address, the factory record with its engineering buttons, the access code
// of the engineering mode and the operating-mode check box Obnovl
// ("Обновление": ticked = update mode, cleared = production mode).
#pragma once

#include "app/AppCore.h"
#include "ui/Controls.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>

namespace korv {

class TForm_Param : public QDialog {
    Q_OBJECT
public:
    // updateMode: the state Obnovl is created with.
    TForm_Param(AppCore& core, bool updateMode);

    void FormShow();
    void FormClose();
    void SpeedButton17Click();
    void SpeedButton1Click();
    void SpeedButton8Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton21Click();
    void SpeedButton22Click();
    void SpeedButton2Click();
    void SpeedButton7Click();

    // Update-image row (modupd4620 only; null in modupd2520).
    QLabel* Label5 = nullptr;
    QLineEdit* Edit1 = nullptr;
    ui::SpeedButton* SpeedButton17 = nullptr;
    QLabel* Label2;
    QLineEdit* Edit2;
    ui::SpeedButton* SpeedButton1;
    QLabel* Label3;
    QLineEdit* Edit5;
    ui::SpeedButton* SpeedButton8;
    QLabel* Label10;
    QLabel* Label9;
    QLabel* Label12;
    QLabel* Label11;
    QLabel* Label1;
    QLineEdit* Edit4;
    ui::SpeedButton* SpeedButton5;
    ui::SpeedButton* SpeedButton6;
    ui::SpeedButton* SpeedButton21;
    ui::SpeedButton* SpeedButton22;
    QLineEdit* Edit3;
    ui::SpeedButton* SpeedButton3;
    ui::SpeedButton* SpeedButton4;
    QCheckBox* Obnovl;
    ui::SpeedButton* SpeedButton2;
    ui::SpeedButton* SpeedButton7;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    AppCore& core_;
};

} // namespace korv
