// Configuration-word editor: reads CONFIG1L..CONFIG7H and DEVID1/DEVID2 from
// the chip (READ column), shows ConfigImage, the bytes to be written (WRITE
// column), explains the bits of one selected byte and edits it bit by bit.
#pragma once

#include "app/AppCore.h"
#include "ui/Controls.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <array>
#include <cstdint>
#include <string>

namespace korv {

class TFormConfig : public QDialog {
    Q_OBJECT
public:
    explicit TFormConfig(AppCore& core);

    // Eight characters "1"/"0", most significant bit first.
    static std::string ByteStrToBin(uint8_t value);
    // CheckBox(n+1) ticked exactly when bit n of value is set.
    void ByteToCheckBox(uint8_t value);
    // Bit n set exactly when CheckBox(n+1) is ticked.
    uint8_t CheckBoxToByte() const;
    // One line appended to the explanation memo.
    void Okno(const std::string& line);

    void FormShow();
    void FormClose();
    void ReadConfigClick();
    void SelectClick(int row); // the fourteen "Выбор" buttons, row 0..13
    void SpeedButton8Click();
    void IzmConfigClick();
    void SpeedButton9Click();
    void SpeedButton2Click();

    QLabel* Title;
    QLabel* ReadHeading;
    QLabel* WriteHeading;
    std::array<QLabel*, 16> RowCaptions{};   // captions of LabeledEdit1..16
    std::array<QLineEdit*, 16> LabeledEdit{}; // READ column, [0] = LabeledEdit1
    std::array<QLineEdit*, 14> Edit{};        // WRITE column, [0] = Edit1
    std::array<ui::SpeedButton*, 14> Select{}; // "Выбор" of row 0..13
    std::array<QCheckBox*, 8> CheckBox{};     // [n] = CheckBox(n+1) = bit n
    std::array<QLabel*, 8> BitLabel{};        // [n] = blue label "n"
    ui::SpeedButton* ReadConfig;
    ui::SpeedButton* SpeedButton2;
    ui::SpeedButton* SpeedButton8;
    ui::SpeedButton* IzmConfig;
    ui::SpeedButton* SpeedButton9;
    QLabel* StaticText1;
    QPlainTextEdit* Memoconfig;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    AppCore& core_;
    ui::ButtonGroups groups_;
};

// Object names of the "Выбор" buttons of rows 0..13.
extern const char* const kConfigSelectNames[14];

} // namespace korv
