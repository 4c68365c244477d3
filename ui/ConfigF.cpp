#include "ui/ConfigF.h"

#include <QCloseEvent>

namespace korv {

using namespace korv::ui;

const char* const kConfigSelectNames[14] = {
    "SpeedButton1",  "SpeedButton3",  "SpeedButton4",  "SpeedButton5",  "SpeedButton6",
    "SpeedButton7",  "SpeedButton10", "SpeedButton11", "SpeedButton12", "SpeedButton13",
    "SpeedButton14", "SpeedButton15", "SpeedButton16", "SpeedButton17"};

namespace {

const char* const kRowCaptions[16] = {
    " Config1L 300000h ", " Config1H 300001h ", " Config2L 300002h ", " Config2H 300003h ",
    " Config3L 300004h ", " Config3H 300005h ", " Config4L 300006h ", " Config4H 300007h ",
    " Config5L 300008h ", " Config5H 300009h ", " Config6L 30000Ah ", " Config6H 30000Bh ",
    " Config7L 30000Ch ", " Config7H 30000Dh ", " DEVID1   3FFFFEh ", " DEVID2   3FFFFFh "};

QLineEdit* BitField(QWidget* parent, const QString& name, const QRect& r)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setGeometry(r);
    e->setReadOnly(true);
    e->setAlignment(Qt::AlignCenter);
    return e;
}

} // namespace

TFormConfig::TFormConfig(AppCore& core) : QDialog(nullptr), core_(core), groups_(this)
{
    setObjectName(QStringLiteral("FormConfig"));
    setWindowTitle(QStringLiteral("Чтение/запись слова конфигурации."));
    setFixedSize(720, 470);
    SetBold(this);

    Title = MakeLabel(this, "Title", QStringLiteral("Register  CONFIG    Address 300000h-3FFFFFh"), {8, 6, 370, 18});
    SetTextColor(Title, kRed);
    SetPixelSize(Title, 13);
    ReadHeading = MakeLabel(this, "ReadHeading", QStringLiteral("READ"), {140, 28, 84, 16});
    ReadHeading->setAlignment(Qt::AlignHCenter);
    SetTextColor(ReadHeading, kBlue);
    WriteHeading = MakeLabel(this, "WriteHeading", QStringLiteral("WRITE"), {228, 28, 84, 16});
    WriteHeading->setAlignment(Qt::AlignHCenter);
    SetTextColor(WriteHeading, kRed);

    for (int i = 0; i < 16; ++i) {
        const int y = 46 + 25 * i;
        const QByteArray captionName = QStringLiteral("LabeledEdit%1Label").arg(i + 1).toLatin1();
        RowCaptions[i] = MakeLabel(this, captionName.constData(), QString::fromLatin1(kRowCaptions[i]), {4, y + 2, 134, 18});
        LabeledEdit[i] = BitField(this, QStringLiteral("LabeledEdit%1").arg(i + 1), {140, y, 84, 22});
        RowCaptions[i]->setBuddy(LabeledEdit[i]);
        if (i < 14) {
            Edit[i] = BitField(this, QStringLiteral("Edit%1").arg(i + 1), {228, y, 84, 22});
            Edit[i]->setEnabled(false);
            Select[i] = new SpeedButton(this, kConfigSelectNames[i], QStringLiteral("Выбор"), {316, y, 56, 22});
            groups_.Add(100, Select[i]);
            connect(Select[i], &QPushButton::clicked, this, [this, i] { SelectClick(i); });
        }
    }
    // The "Выбор" buttons form one exclusive group: none is down at start,
    // and a pressed one stays down until another is pressed.

    // Bit row: "7" on the left down to "0" on the right, so that the row
    // reads like the bit strings.
    for (int n = 7; n >= 0; --n) {
        const int x = 392 + 38 * (7 - n);
        const QByteArray labelName = QStringLiteral("BitLabel%1").arg(n).toLatin1();
        BitLabel[n] = MakeLabel(this, labelName.constData(), QString::number(n), {x, 46, 20, 16});
        BitLabel[n]->setAlignment(Qt::AlignHCenter);
        SetTextColor(BitLabel[n], kBlue);
        CheckBox[n] = new QCheckBox(this);
        CheckBox[n]->setObjectName(QStringLiteral("CheckBox%1").arg(n + 1));
        CheckBox[n]->setGeometry(x + 2, 64, 18, 18);
    }

    SpeedButton8 = new SpeedButton(this, "SpeedButton8", QStringLiteral("Изменить выбранное слово"), {388, 88, 320, 24});
    IzmConfig = new SpeedButton(this, "IzmConfig", QStringLiteral("Изменить конфигурацию"), {388, 118, 206, 24});
    SpeedButton9 = new SpeedButton(this, "SpeedButton9", QStringLiteral("Отмена"), {598, 118, 110, 24});
    groups_.Add(1, IzmConfig);
    groups_.Add(1, SpeedButton9, true);
    ReadConfig = new SpeedButton(this, "ReadConfig", QStringLiteral("Чтение слова конфигурации"), {388, 148, 320, 24});
    SpeedButton2 = new SpeedButton(this, "SpeedButton2", QStringLiteral("Запись слова конфигурации"), {388, 178, 320, 24});
    SetTextColor(SpeedButton2, kRed);
    SpeedButton2->setEnabled(false);

    StaticText1 = MakeLabel(this, "StaticText1", QString(), {388, 208, 320, 26});
    StaticText1->setFrameShape(QFrame::Panel);
    StaticText1->setFrameShadow(QFrame::Sunken);
    StaticText1->setAlignment(Qt::AlignCenter);
    SetTextColor(StaticText1, kRed);

    Memoconfig = new QPlainTextEdit(this);
    Memoconfig->setObjectName(QStringLiteral("Memoconfig"));
    Memoconfig->setGeometry(388, 240, 320, 222);
    Memoconfig->setReadOnly(true);
    Memoconfig->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SetBold(Memoconfig, false);

    connect(SpeedButton8, &QPushButton::clicked, this, &TFormConfig::SpeedButton8Click);
    connect(IzmConfig, &QPushButton::clicked, this, &TFormConfig::IzmConfigClick);
    connect(SpeedButton9, &QPushButton::clicked, this, &TFormConfig::SpeedButton9Click);
    connect(ReadConfig, &QPushButton::clicked, this, &TFormConfig::ReadConfigClick);
    connect(SpeedButton2, &QPushButton::clicked, this, &TFormConfig::SpeedButton2Click);
}

std::string TFormConfig::ByteStrToBin(uint8_t value) { return korv::ByteStrToBin(value); }

void TFormConfig::ByteToCheckBox(uint8_t value)
{
    for (int n = 0; n < 8; ++n)
        CheckBox[n]->setChecked((value >> n) & 1);
}

uint8_t TFormConfig::CheckBoxToByte() const
{
    uint8_t v = 0;
    for (int n = 0; n < 8; ++n)
        if (CheckBox[n]->isChecked())
            v |= static_cast<uint8_t>(1u << n);
    return v;
}

void TFormConfig::Okno(const std::string& line) { Memoconfig->appendPlainText(QString::fromStdString(line)); }

void TFormConfig::showEvent(QShowEvent* e)
{
    FormShow();
    QDialog::showEvent(e);
}

void TFormConfig::closeEvent(QCloseEvent* e)
{
    FormClose();
    QDialog::closeEvent(e);
}

void TFormConfig::FormShow()
{
    // The WRITE column always shows ConfigImage, which image loads and the
    // automatic sequence change while the window is closed.
    for (int i = 0; i < 14; ++i)
        Edit[i]->setText(QString::fromStdString(ByteStrToBin(core_.images.ConfigImage[i])));
}

void TFormConfig::FormClose()
{
    // Leaving the editor: change mode ends with the window.
}

void TFormConfig::ReadConfigClick()
{
    // The configuration read of the ICSP operations fills ChipConfig.
}

void TFormConfig::SelectClick(int row)
{
    // "Выбор" of a row: check boxes and explanation of that byte.
}

void TFormConfig::SpeedButton8Click()
{
    // "Изменить выбранное слово": check boxes into the selected byte.
}

void TFormConfig::IzmConfigClick()
{
    // Change mode.
}

void TFormConfig::SpeedButton9Click()
{
    // View mode.
}

void TFormConfig::SpeedButton2Click()
{
    // WriteWordConfig(0): all fourteen bytes with read-back check.
}

} // namespace korv
