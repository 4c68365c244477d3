// Main window of the program: the command column on the left, the gauge,
// the picture with the version, the driver instructions and the page views
// in the middle, the message log on the right and the status line at the
// bottom. Every command runs synchronously inside its click handler; long
// operations pump messages and keep the other commands locked meanwhile
// (UpravlKnopk).
#pragma once

#include "app/AppCore.h"
#include "ui/Controls.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QWidget>

#include <array>
#include <string>
#include <vector>

namespace korv {

class AppWindows;

class TProg12 : public QWidget {
    Q_OBJECT
public:
    TProg12(AppCore& core, AppWindows& windows);

    // Life cycle.
    void FormCreate();
    // The start-up dialogue: settings, connector warning, update image, mode
    // layout. With showWarning false the modal warning is skipped (window
    // rendering). Returns false when the operator answered "Нет".
    bool FormShow(bool showWarning = true);
    void FormClose();

    // Locks (lock true) or restores (lock false) the command controls.
    void UpravlKnopk(QWidget* Sender, bool lock);
    bool UpravlLocked() const { return lockFlag_; }
    const std::vector<QWidget*>& ControlledControls() const { return controlled_; }

    // One line appended to the log.
    void Okno(const std::string& text);
    // Page view of MasterImage (source 0) or ChipImage (source 1), page 0..3.
    void Okno_1_2_Str(uint8_t source, int page);

    // Arranges the window for update mode (true) or production mode.
    void ArrangeMode(bool updateMode);

    // Command handlers.
    void ProgClick();
    void ReadChipClick();
    void SravnClick();
    void ConfigClick();
    void Otl_oborudClick();
    void ParamClick();
    void SpeedButton5Click();
    void SpeedButton6Click();
    void SpeedButton2Click();
    void SpeedButton8Click();
    void SpeedButton20Click();
    void SpeedButton4Click();
    void SpeedButton3Click();
    void SpeedButton7Click();
    void SpeedButton10Click();
    void SpeedButton11Click();
    void SpeedButton16Click();
    void SpeedButton12Click();
    void Avtom_Prog_PClick();
    void Avt_Prog_StClick();
    void SpeedButton13Click();
    void Timer1Timer();

    // Seconds counter of the update command: Timer1 adds 1 every second.
    QTimer* Timer1;
    int Timer1Tag = 0;

    // Components (names of the design).
    ui::SpeedButton* Prog;
    ui::SpeedButton* SpeedButton9;
    ui::SpeedButton* SpeedButton4;
    ui::SpeedButton* SpeedButton3;
    QLabel* Image3;
    ui::SpeedButton* ReadChip;
    ui::SpeedButton* SpeedButton14;
    ui::SpeedButton* Sravn;
    ui::SpeedButton* SpeedButton15;
    ui::SpeedButton* SpeedButton7;
    QLabel* Label4 = nullptr;
    QLineEdit* Edit1 = nullptr;
    ui::SpeedButton* SpeedButton10;
    ui::SpeedButton* SpeedButton11;
    ui::SpeedButton* SpeedButton16;
    QLabel* Label10;
    QCheckBox* CheckBox2;
    QLabel* Label9;
    QCheckBox* Prog4520;
    QLabel* Label8;
    QLabel* Label7;
    QCheckBox* CheckBox1;
    QLabel* Label5;
    QCheckBox* CheckUSB;
    QLabel* Label6;
    QLabel* Label2;
    QFrame* Panel4;
    ui::SpeedButton* SpeedButton17;
    ui::SpeedButton* SpeedButton18;
    ui::SpeedButton* SpeedButton12;
    QPushButton* Otl_oborud;
    QPushButton* Param;
    QFrame* Panel1;
    QFrame* Panel2;
    QFrame* Panel3;
    QProgressBar* Gauge1;
    QLabel* Image2;
    QLabel* Label1;
    QLabel* Label12;
    QLabel* Label11;
    ui::SpeedButton* SpeedButton20;
    QGroupBox* GroupBox3;
    ui::SpeedButton* SpeedButton5;
    ui::SpeedButton* SpeedButton6;
    ui::SpeedButton* SpeedButton2;
    ui::SpeedButton* SpeedButton8;
    QGroupBox* GroupBox2;
    ui::SpeedButton* Avtom_Prog_P;
    ui::SpeedButton* Avt_Prog_St;
    QLabel* StaticText1;
    QGroupBox* GroupBox1;
    ui::SpeedButton* SpeedButton13;
    QRadioButton* RadioButton2;
    QRadioButton* RadioButton1;
    QPlainTextEdit* Memokno;
    QLabel* Label3;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void BuildLeftColumn();
    void BuildMiddleColumn();
    void BuildRightColumn();
    void ShowPage(ui::SpeedButton* pressed, int page);
    // The line layer presets its copy of the parallel port's data register
    // here, while the window is created and before any other window exists.
    void PresetLineLayer();

    AppCore& core_;
    AppWindows& windows_;
    ui::ButtonGroups groups_;     // group indices of the window itself
    ui::ButtonGroups autoGroups_; // group indices inside GroupBox2
    std::vector<QWidget*> controlled_;
    std::array<bool, 17> saved_{};
    bool haveSaved_ = false; // an unlock before any lock has nothing to restore
    bool lockFlag_ = false;
    bool settingsRead_ = false; // the shutdown write only follows a start-up read
    bool closed_ = false;
};

} // namespace korv
