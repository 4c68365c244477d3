#include "ui/Param_m.h"

#include <QCloseEvent>

namespace korv {

using namespace korv::ui;

namespace {

QLineEdit* PathBox(QWidget* parent, const char* name, const QString& text, const QRect& r, bool enabled)
{
    auto* e = new QLineEdit(text, parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setGeometry(r);
    e->setEnabled(enabled);
    return e;
}

QLabel* WhiteBox(QWidget* parent, const char* name, const QRect& r)
{
    QLabel* l = MakeLabel(parent, name, QString(), r);
    SetBackground(l, kWhite);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    return l;
}

} // namespace

TForm_Param::TForm_Param(AppCore& core, bool updateMode) : QDialog(nullptr), core_(core)
{
    const VariantProfile& p = core.profile;
    setObjectName(QStringLiteral("Form_Param"));
    setWindowTitle(QStringLiteral("Путь доступа к загрузочным файлам."));
    SetBold(this);

    const int boxW = 500;
    int y = 8;
    if (p.hasEdit1Key) {
        Label5 = MakeLabel(this, "Label5", QStringLiteral("Путь поиска и имя файла програмной памяти:"), {8, y, boxW, 16});
        Edit1 = PathBox(this, "Edit1", QStringLiteral("*.hex/*crp"), {8, y + 17, boxW, 22}, true);
        SpeedButton17 = new SpeedButton(this, "SpeedButton17", QStringLiteral("..."), {514, y + 17, 36, 22});
        connect(SpeedButton17, &QPushButton::clicked, this, &TForm_Param::SpeedButton17Click);
        y += 46;
    }
    const QString newLabel = p.is2520() ? QString::fromUtf8(p.paramLabelNew)
                                        : QStringLiteral("Путь и имя файла BOOT загрузчика 4620:");
    const QString oldLabel = p.is2520() ? QString::fromUtf8(p.paramLabelOld)
                                        : QStringLiteral("Путь и имя файла BOOT загрузчика 452:");
    Label2 = MakeLabel(this, "Label2", newLabel, {8, y, boxW, 16});
    Edit2 = PathBox(this, "Edit2", QStringLiteral("*.hex/*.crp"), {8, y + 17, boxW, 22}, false);
    SpeedButton1 = new SpeedButton(this, "SpeedButton1", QStringLiteral("..."), {514, y + 17, 36, 22});
    SpeedButton1->setEnabled(false);
    y += 46;
    Label3 = MakeLabel(this, "Label3", oldLabel, {8, y, boxW, 16});
    Edit5 = PathBox(this, "Edit5", QStringLiteral("*.hex/*.crp"), {8, y + 17, boxW, 22}, false);
    SpeedButton8 = new SpeedButton(this, "SpeedButton8", QStringLiteral("..."), {514, y + 17, 36, 22});
    SpeedButton8->setEnabled(false);
    y += 52;

    // Factory record and port address.
    Label10 = MakeLabel(this, "Label10", QStringLiteral(" Зав.N"), {8, y, 200, 16});
    Label9 = WhiteBox(this, "Label9", {8, y + 17, 240, 22});
    Label12 = MakeLabel(this, "Label12", QStringLiteral("   Зав."), {256, y, 50, 16});
    Label11 = WhiteBox(this, "Label11", {256, y + 17, 40, 22});
    Label11->setAlignment(Qt::AlignCenter);
    Label1 = MakeLabel(this, "Label1", QStringLiteral("Адрес LPT порта (HEX)"), {330, y, 200, 16});
    Edit4 = new QLineEdit(this);
    Edit4->setObjectName(QStringLiteral("Edit4"));
    Edit4->setGeometry(330, y + 17, 70, 22);
    Edit4->setMaxLength(4);
    y += 48;

    // Engineering controls, revealed by the access code.
    SpeedButton5 = new SpeedButton(this, "SpeedButton5", QStringLiteral("Rd SN"), {8, y, 80, 24});
    SpeedButton5->setToolTip(QStringLiteral("Прочитать серийный номер программатора"));
    SpeedButton6 = new SpeedButton(this, "SpeedButton6", QStringLiteral("Rd UN"), {92, y, 80, 24});
    SpeedButton6->setToolTip(QStringLiteral("Прочитать уникальный номер программатора"));
    SpeedButton21 = new SpeedButton(this, "SpeedButton21", QStringLiteral("Set K"), {176, y, 80, 24});
    SpeedButton22 = new SpeedButton(this, "SpeedButton22", QStringLiteral("Set N"), {260, y, 80, 24});
    SpeedButton2 = new SpeedButton(this, "SpeedButton2", QStringLiteral("DateTime"), {344, y, 90, 24});
    SpeedButton7 = new SpeedButton(this, "SpeedButton7", QStringLiteral("Установить"), {438, y, 112, 24});
    y += 32;
    Edit3 = new QLineEdit(this);
    Edit3->setObjectName(QStringLiteral("Edit3"));
    Edit3->setGeometry(8, y, 120, 24);
    SpeedButton3 = new SpeedButton(this, "SpeedButton3", QStringLiteral("Aktivation"), {134, y, 100, 24});
    SpeedButton4 = new SpeedButton(this, "SpeedButton4", QStringLiteral("Aktivation 2"), {240, y, 110, 24});
    Obnovl = new QCheckBox(QStringLiteral("Обновление"), this);
    Obnovl->setObjectName(QStringLiteral("Obnovl"));
    Obnovl->setGeometry(360, y + 2, 140, 20);
    Obnovl->setChecked(updateMode);
    setFixedSize(560, y + 36);

    for (QWidget* w : {static_cast<QWidget*>(SpeedButton5), static_cast<QWidget*>(SpeedButton6),
                       static_cast<QWidget*>(SpeedButton21), static_cast<QWidget*>(SpeedButton22),
                       static_cast<QWidget*>(SpeedButton2), static_cast<QWidget*>(SpeedButton7),
                       static_cast<QWidget*>(SpeedButton4), static_cast<QWidget*>(Obnovl)})
        w->hide();

    connect(SpeedButton1, &QPushButton::clicked, this, &TForm_Param::SpeedButton1Click);
    connect(SpeedButton8, &QPushButton::clicked, this, &TForm_Param::SpeedButton8Click);
    connect(SpeedButton3, &QPushButton::clicked, this, &TForm_Param::SpeedButton3Click);
    connect(SpeedButton4, &QPushButton::clicked, this, &TForm_Param::SpeedButton4Click);
    connect(SpeedButton21, &QPushButton::clicked, this, &TForm_Param::SpeedButton21Click);
    connect(SpeedButton22, &QPushButton::clicked, this, &TForm_Param::SpeedButton22Click);
    connect(SpeedButton2, &QPushButton::clicked, this, &TForm_Param::SpeedButton2Click);
    connect(SpeedButton7, &QPushButton::clicked, this, &TForm_Param::SpeedButton7Click);
}

void TForm_Param::showEvent(QShowEvent* e)
{
    FormShow();
    QDialog::showEvent(e);
}

void TForm_Param::closeEvent(QCloseEvent* e)
{
    FormClose();
    QDialog::closeEvent(e);
}

void TForm_Param::FormShow()
{
    // Refresh of the factory record and of the port address.
}

void TForm_Param::FormClose()
{
    // Reload of the update image and SetAdrCom.
}

void TForm_Param::SpeedButton17Click()
{
    // Browse for the update image (OpenDialog1).
}

void TForm_Param::SpeedButton1Click()
{
    // Browse for the NewChip file (OpenDialog2).
}

void TForm_Param::SpeedButton8Click()
{
    // Browse for the OldChip file (OpenDialog3).
}

void TForm_Param::SpeedButton3Click()
{
    // "Aktivation": access code check.
}

void TForm_Param::SpeedButton4Click()
{
    // "Aktivation 2": shows every command of the main window.
}

void TForm_Param::SpeedButton21Click()
{
    // "Set K".
}

void TForm_Param::SpeedButton22Click()
{
    // "Set N".
}

void TForm_Param::SpeedButton2Click()
{
    // "DateTime".
}

void TForm_Param::SpeedButton7Click()
{
    // "Установить": factory record into the ID locations.
}

} // namespace korv
