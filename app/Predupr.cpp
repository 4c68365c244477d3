#include "app/Predupr.h"

#include "ui/Controls.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>

namespace korv {

using namespace korv::ui;

namespace {

QLabel* WarningLine(QWidget* parent, const char* name, const QString& text, int y)
{
    QLabel* l = MakeLabel(parent, name, text, {8, y, 504, 20});
    l->setAlignment(Qt::AlignCenter);
    SetBackground(l, kWhite);
    SetTextColor(l, kRed);
    SetBold(l);
    SetPixelSize(l, 12);
    return l;
}

} // namespace

TForm_Pred::TForm_Pred(const VariantProfile& profile)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("Form_Pred"));
    setWindowTitle(QStringLiteral("Загрузка и подготовка данных"));
    setFixedSize(520, 330);

    Gauge1 = new QProgressBar(this);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setGeometry(8, 8, 504, 14);
    Gauge1->setTextVisible(false);
    QPalette gp = Gauge1->palette();
    gp.setColor(QPalette::Highlight, kBlue);
    Gauge1->setPalette(gp);

    Label1 = WarningLine(this, "Label1", QStringLiteral("   У модуля 2 разъема для программирования , не перепутайте!"), 30);
    Label2 = WarningLine(this, "Label2", QStringLiteral("     ") + QString::fromUtf8(profile.warningLine2), 52);
    Label3 = WarningLine(this, "Label3", QStringLiteral("   Вы уверены ,что  подключили программатор  к модулю KORV ?"), 74);

    Image1 = MakePicture(this, "Image1", QStringLiteral(":/pictures/connectors.png"), {8, 100, 504, 180});

    BitBtn1 = new QPushButton(QStringLiteral("Да"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(130, 290, 100, 30);
    SetBold(BitBtn1);
    SetPixelSize(BitBtn1, 13);
    SetTextColor(BitBtn1, kNavy);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm_Pred::BitBtn1Click);

    BitBtn2 = new QPushButton(QStringLiteral("Нет"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(290, 290, 100, 30);
    SetBold(BitBtn2);
    SetPixelSize(BitBtn2, 13);
    SetTextColor(BitBtn2, kRed);
    BitBtn2->setAutoDefault(false);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm_Pred::BitBtn2Click);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(50);
    connect(Timer1, &QTimer::timeout, this, &TForm_Pred::Timer1Timer);
    Timer1->start();

    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
}

void TForm_Pred::showEvent(QShowEvent* e)
{
    FormShow();
    QDialog::showEvent(e);
}

void TForm_Pred::FormShow()
{
    GaugeSteps = 10;
    Gauge1->setMaximum(GaugeSteps);
    Gauge1->setValue(0);
}

void TForm_Pred::Timer1Timer()
{
    if (Gauge1->value() == GaugeSteps)
        Timer1->stop();
    Gauge1->setValue(qMin(Gauge1->value() + 1, Gauge1->maximum()));
    QCoreApplication::processEvents();
}

void TForm_Pred::BitBtn1Click()
{
    if (onYes)
        onYes();
    accept();
}

void TForm_Pred::BitBtn2Click()
{
    done(QDialog::Rejected);
    if (onNo)
        onNo();
}

} // namespace korv
