#include "ui/Otlad.h"

#include <QCloseEvent>

namespace korv {

using namespace korv::ui;

TForm_otladka::TForm_otladka(AppCore& core) : QDialog(nullptr), core_(core), groups_(this)
{
    const VariantProfile& p = core.profile;
    setObjectName(QStringLiteral("Form_otladka"));
    setWindowTitle(QStringLiteral("Отладка  оборудования."));
    setFixedSize(400, 214);
    SetBold(this);

    // Line buttons: plain push buttons that spring back.
    SpeedButton1 = new SpeedButton(this, "SpeedButton1", QStringLiteral("MCLR"), {8, 8, 90, 26});
    SpeedButton2 = new SpeedButton(this, "SpeedButton2", QStringLiteral("RB6"), {104, 8, 90, 26});
    SpeedButton3 = new SpeedButton(this, "SpeedButton3", QStringLiteral("RB7"), {200, 8, 90, 26});
    if (p.is2520()) {
        SpeedButton9 = new SpeedButton(this, "SpeedButton9", QStringLiteral("3v/5v"), {296, 8, 96, 26});
    } else {
        SpeedButton9 = new SpeedButton(this, "SpeedButton9", QStringLiteral("5v"), {296, 8, 46, 26});
        SpeedButton10 = new SpeedButton(this, "SpeedButton10", QStringLiteral("3.3v"), {346, 8, 46, 26});
        connect(SpeedButton10, &QPushButton::clicked, this, &TForm_otladka::SpeedButton10Click);
    }

    // Test loops: one exclusive group, the running loop's button stays down
    // and "Завершить" pops it up.
    Data = new SpeedButton(this, "Data", QStringLiteral("8 байт->Чип"), {8, 44, 120, 26});
    Zad = new SpeedButton(this, "Zad", p.is2520() ? QStringLiteral("Гот-?") : QStringLiteral("Гот.-?"), {136, 44, 120, 26});
    SpeedButton8 = new SpeedButton(this, "SpeedButton8", QStringLiteral("1 байт->Чип"), {8, 76, 120, 26});
    SpeedButton7 = new SpeedButton(this, "SpeedButton7", QStringLiteral("Задержка"), {136, 76, 120, 26});
    Zaverch = new SpeedButton(this, "Zaverch", QStringLiteral("Завершить"), {264, 44, 128, 58});
    SetTextColor(Zaverch, kRed);
    for (SpeedButton* b : {Data, Zad, Zaverch, SpeedButton8, SpeedButton7})
        groups_.Add(1, b);

    SpeedButton4 = new SpeedButton(this, "SpeedButton4", QStringLiteral("WR_Zad"), {8, 116, 120, 26});
    SpeedButton5 = new SpeedButton(this, "SpeedButton5", QStringLiteral("RD_Zad"), {136, 116, 120, 26});
    Label1 = MakeLabel(this, "Label1", QStringLiteral("Длительность RB6 10мкс."), {8, 154, 384, 20});
    SetTextColor(Label1, kBlue);

    connect(SpeedButton1, &QPushButton::clicked, this, &TForm_otladka::SpeedButton1Click);
    connect(SpeedButton2, &QPushButton::clicked, this, &TForm_otladka::SpeedButton2Click);
    connect(SpeedButton3, &QPushButton::clicked, this, &TForm_otladka::SpeedButton3Click);
    connect(SpeedButton9, &QPushButton::clicked, this, &TForm_otladka::SpeedButton9Click);
    connect(Data, &QPushButton::clicked, this, &TForm_otladka::DataClick);
    connect(Zad, &QPushButton::clicked, this, &TForm_otladka::ZadClick);
    connect(Zaverch, &QPushButton::clicked, this, &TForm_otladka::ZaverchClick);
    connect(SpeedButton8, &QPushButton::clicked, this, &TForm_otladka::SpeedButton7Click);
    connect(SpeedButton7, &QPushButton::clicked, this, &TForm_otladka::SpeedButton6Click);
    connect(SpeedButton4, &QPushButton::clicked, this, &TForm_otladka::SpeedButton4Click);
    connect(SpeedButton5, &QPushButton::clicked, this, &TForm_otladka::SpeedButton5Click);
}

void TForm_otladka::closeEvent(QCloseEvent* e)
{
    DebugStop = true; // a loop still running ends at its next pass
    QDialog::closeEvent(e);
}

void TForm_otladka::ZaverchClick() { DebugStop = true; }

void TForm_otladka::SpeedButton1Click()
{
    // "MCLR": toggles the programming voltage.
}

void TForm_otladka::SpeedButton2Click()
{
    // "RB6": toggles PGC.
}

void TForm_otladka::SpeedButton3Click()
{
    // "RB7": toggles the PGD drive.
}

void TForm_otladka::SpeedButton9Click()
{
    // "5v" (modupd2520: "3v/5v").
}

void TForm_otladka::SpeedButton10Click()
{
    // "3.3v".
}

void TForm_otladka::DataClick()
{
    // "8 байт->Чип" loop.
}

void TForm_otladka::ZadClick()
{
    // "Гот.-?" loop.
}

void TForm_otladka::SpeedButton7Click()
{
    // "1 байт->Чип".
}

void TForm_otladka::SpeedButton6Click()
{
    // "Задержка" loop.
}

void TForm_otladka::SpeedButton4Click()
{
    // "WR_Zad": toggles the handshake output.
}

void TForm_otladka::SpeedButton5Click()
{
    // "RD_Zad": reads the handshake input.
}

} // namespace korv
