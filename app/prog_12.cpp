#include "app/prog_12.h"

#include "app/AppWindows.h"
#include "app/PageView.h"
#include "app/Predupr.h"
#include "icsp/EraseConfig.h"
#include "icsp/ProgMem.h"
#include "image/Loaders.h"
#include "image/Scramble.h"
#include "ui/ConfigF.h"
#include "ui/Otlad.h"
#include "ui/Param_m.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTextCursor>

#include <cstring>

namespace korv {

using namespace korv::ui;

namespace {

// Left command column, gauge, middle column, log.
constexpr int kLeftX = 4;
constexpr int kLeftW = 182;
constexpr int kGaugeX = 191;
constexpr int kMidX = 207;
constexpr int kMidW = 339;
constexpr int kLogX = 552;
constexpr int kTop = 4;
constexpr int kColumnH = 393;

SpeedButton* Command(QWidget* parent, const char* name, const QString& caption, const QRect& r,
                     const QColor& color, bool bold)
{
    auto* b = new SpeedButton(parent, name, caption, r);
    SetTextColor(b, color);
    SetBold(b, bold);
    return b;
}

QCheckBox* Indicator(QWidget* parent, const char* name, const QRect& r)
{
    auto* c = new QCheckBox(parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setGeometry(r);
    c->setEnabled(false); // display only: the detection code sets it
    return c;
}

} // namespace

TProg12::TProg12(AppCore& core, AppWindows& windows)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      core_(core), windows_(windows), groups_(this), autoGroups_(this)
{
    setObjectName(QStringLiteral("Prog12"));
    setWindowTitle(QString::fromUtf8(core.profile.mainCaption));
    setFixedSize(799, 441);
    SetBackground(this, kMainBackground);
    SetBold(this);

    BuildLeftColumn();
    BuildMiddleColumn();
    BuildRightColumn();

    // Controls that an operation locks, in the order their states are saved.
    controlled_ = {Prog, ReadChip, SpeedButton7, Sravn, SpeedButton3, SpeedButton4, SpeedButton17, SpeedButton18,
                   Otl_oborud, Param, SpeedButton5, SpeedButton6, SpeedButton2, SpeedButton8, Avtom_Prog_P,
                   Avt_Prog_St, SpeedButton13};
    if (core.profile.controlledControls < static_cast<int>(controlled_.size())) {
        // modupd2520: SpeedButton3 is SpeedButton4's hidden partner and the
        // update button runs the automatic sequence, which locks by itself.
        std::erase(controlled_, SpeedButton3);
        std::erase(controlled_, SpeedButton4);
    }

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &TProg12::Timer1Timer);

    // Centred on the desktop.
    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());

    FormCreate();
}

void TProg12::BuildLeftColumn()
{
    const VariantProfile& p = core_.profile;
    const int x = kLeftX, w = kLeftW;

    Prog = Command(this, "Prog", QString::fromUtf8(p.progCaption), {x, 4, w, 22}, kRed, true);
    Prog->setToolTip(QStringLiteral("Программирование Загрузчика."));
    groups_.Add(1, Prog);
    SpeedButton9 = new SpeedButton(this, "SpeedButton9", QString(), {x, 4, w, 22});
    groups_.Add(1, SpeedButton9, true);
    SpeedButton9->hide();
    connect(Prog, &QPushButton::clicked, this, &TProg12::ProgClick);

    SpeedButton4 = Command(this, "SpeedButton4", QStringLiteral(" Запись \"Обновления\""), {x, 28, w, 22}, kRed, true);
    SpeedButton4->setToolTip(QStringLiteral("Программирование програмной памяти."));
    connect(SpeedButton4, &QPushButton::clicked, this, &TProg12::SpeedButton4Click);

    Panel1 = MakeRule(this, "Panel1", {x, 53, w, 2}, kBlue);

    ReadChip = Command(this, "ReadChip", QStringLiteral("Чтение прогр. памяти"), {x, 57, w, 22}, kTeal, true);
    ReadChip->setToolTip(QStringLiteral("Чтение прогр. памяти в буфер."));
    groups_.Add(3, ReadChip);
    SpeedButton14 = new SpeedButton(this, "SpeedButton14", QString(), {x, 57, w, 22});
    groups_.Add(3, SpeedButton14, true);
    SpeedButton14->hide();
    connect(ReadChip, &QPushButton::clicked, this, &TProg12::ReadChipClick);

    Sravn = Command(this, "Sravn", QString::fromUtf8(p.sravnCaption), {x, 81, w, 22}, kGreen, true);
    Sravn->setToolTip(QStringLiteral("Сравнение прогр. памяти кристалла с буфером."));
    groups_.Add(4, Sravn);
    SpeedButton15 = new SpeedButton(this, "SpeedButton15", QString(), {x, 81, w, 22});
    groups_.Add(4, SpeedButton15, true);
    SpeedButton15->hide();
    Sravn->hide();
    connect(Sravn, &QPushButton::clicked, this, &TProg12::SravnClick);

    if (p.hasBootFileLoad) {
        SpeedButton3 = Command(this, "SpeedButton3", QStringLiteral("Загрузить файл \"BOOTзагрузчика\" *.HEX/*.CRP"),
                               {x, 105, w, 32}, kPurple, true);
        SpeedButton3->setToolTip(QStringLiteral("Вывести буфер на экран"));
        connect(SpeedButton3, &QPushButton::clicked, this, &TProg12::SpeedButton3Click);
    } else {
        // modupd2520: the hidden partner of the update button (group 8).
        SpeedButton3 = new SpeedButton(this, "SpeedButton3", QString(), {x, 28, w, 22});
        groups_.Add(8, SpeedButton4);
        groups_.Add(8, SpeedButton3, true);
    }
    SpeedButton3->hide();

    SpeedButton7 = Command(this, "SpeedButton7", QStringLiteral("Загрузить файл обновления  *.HEX/*.CRP"),
                           {x, 139, w, 32}, kPurple, true);
    SpeedButton7->setToolTip(QStringLiteral("Вывести буфер на экран"));
    SpeedButton7->hide();
    connect(SpeedButton7, &QPushButton::clicked, this, &TProg12::SpeedButton7Click);

    if (p.hasBootFileLoad) {
        Label4 = MakeLabel(this, "Label4", QStringLiteral("Введите зав. N модуля"), {x, 173, w, 15});
        SetTextColor(Label4, kWhite);
        Label4->hide();
        Edit1 = new QLineEdit(this);
        Edit1->setObjectName(QStringLiteral("Edit1"));
        Edit1->setGeometry(x, 189, w, 19);
        Edit1->hide();
    }

    const int idW = (w - 4) / 3;
    SpeedButton10 = new SpeedButton(this, "SpeedButton10", QStringLiteral("WR ID"), {x, 210, idW, 19});
    SpeedButton11 = new SpeedButton(this, "SpeedButton11", QStringLiteral("RD ID"), {x + idW + 2, 210, idW, 19});
    SpeedButton16 = new SpeedButton(this, "SpeedButton16", QStringLiteral("Cal CRC"), {x + 2 * idW + 4, 210, idW, 19});
    for (auto* b : {SpeedButton10, SpeedButton11, SpeedButton16})
        b->hide();
    connect(SpeedButton10, &QPushButton::clicked, this, &TProg12::SpeedButton10Click);
    connect(SpeedButton11, &QPushButton::clicked, this, &TProg12::SpeedButton11Click);
    connect(SpeedButton16, &QPushButton::clicked, this, &TProg12::SpeedButton16Click);

    Panel2 = MakeRule(this, "Panel2", {x, 232, w, 2}, kBlue);

    // Chip and interface indicators: two columns of a caption and two
    // display-only check boxes with their labels.
    Label10 = MakeLabel(this, "Label10", QStringLiteral("Микросхема"), {x, 236, 88, 16});
    CheckBox2 = Indicator(this, "CheckBox2", {x + 4, 253, 16, 16});
    Label9 = MakeLabel(this, "Label9", QString::fromUtf8(p.oldChip.indicatorCaption), {x + 22, 253, 60, 16});
    Prog4520 = Indicator(this, "Prog4520", {x + 4, 270, 16, 16});
    Label8 = MakeLabel(this, "Label8", QString::fromUtf8(p.newChip.indicatorCaption), {x + 22, 270, 60, 16});
    Label7 = MakeLabel(this, "Label7", QStringLiteral("Интерфейс"), {x + 92, 236, 88, 16});
    CheckBox1 = Indicator(this, "CheckBox1", {x + 96, 253, 16, 16});
    Label5 = MakeLabel(this, "Label5", QStringLiteral("LPT"), {x + 114, 253, 34, 16});
    CheckUSB = Indicator(this, "CheckUSB", {x + 96, 270, 16, 16});
    Label6 = MakeLabel(this, "Label6", QStringLiteral("USB"), {x + 114, 270, 34, 16});
    Image3 = MakePicture(this, "Image3", QStringLiteral(":/pictures/chip.png"), {x + 150, 253, 30, 34});

    Label2 = MakeLabel(this, "Label2", QString(), {x, 289, w, 16});
    SetTextColor(Label2, kWhite);
    Label2->hide();

    Panel3 = MakeRule(this, "Panel3", {x, 307, w, 2}, kBlue);

    Panel4 = new QFrame(this);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    Panel4->setGeometry(x, 311, w, 58);
    Panel4->setFrameShape(QFrame::StyledPanel);
    SpeedButton17 = Command(Panel4, "SpeedButton17", QStringLiteral("Конфигурация"), {2, 2, w - 4, 20}, kBlack, true);
    SpeedButton17->setToolTip(QStringLiteral("Чтение и запись слова конфигурации."));
    SpeedButton17->setIcon(QIcon(QStringLiteral(":/pictures/glyph-config.png")));
    SpeedButton17->setIconSize({16, 16});
    SpeedButton18 = Command(Panel4, "SpeedButton18", QStringLiteral("Очистка всей памяти и снятие бита защиты"),
                            {2, 24, w - 4, 32}, kRed, true);
    SetUnderline(SpeedButton18);
    SpeedButton18->setIcon(QIcon(QStringLiteral(":/pictures/glyph-erase.png")));
    SpeedButton18->setIconSize({16, 16});
    groups_.Add(5, SpeedButton18);
    SpeedButton12 = new SpeedButton(Panel4, "SpeedButton12", QString(), {2, 24, w - 4, 32});
    groups_.Add(5, SpeedButton12, true);
    SpeedButton12->hide();
    Panel4->setVisible(p.panel4VisibleAtCreate);
    connect(SpeedButton17, &QPushButton::clicked, this, &TProg12::ConfigClick);
    connect(SpeedButton18, &QPushButton::clicked, this, &TProg12::SpeedButton12Click);
    connect(SpeedButton12, &QPushButton::clicked, this, &TProg12::SpeedButton12Click);

    Otl_oborud = new QPushButton(QStringLiteral("Отладка  оборуд"), this);
    Otl_oborud->setObjectName(QStringLiteral("Otl_oborud"));
    Otl_oborud->setGeometry(x, 371, w, 20);
    SetTextColor(Otl_oborud, kBlue);
    connect(Otl_oborud, &QPushButton::clicked, this, &TProg12::Otl_oborudClick);

    Param = new QPushButton(QStringLiteral("Параметры"), this);
    Param->setObjectName(QStringLiteral("Param"));
    Param->setGeometry(x, 393, w, 20);
    SetTextColor(Param, kBlue);
    connect(Param, &QPushButton::clicked, this, &TProg12::ParamClick);

    Gauge1 = new QProgressBar(this);
    Gauge1->setObjectName(QStringLiteral("Gauge1"));
    Gauge1->setOrientation(Qt::Vertical);
    Gauge1->setGeometry(kGaugeX, kTop, 10, kColumnH);
    Gauge1->setTextVisible(false);
    Gauge1->setRange(0, 100);
    Gauge1->setValue(0);
    QPalette gp = Gauge1->palette();
    gp.setColor(QPalette::Highlight, kBlue);
    Gauge1->setPalette(gp);
}

void TProg12::BuildMiddleColumn()
{
    const VariantProfile& p = core_.profile;
    const int x = kMidX, w = kMidW;

    Image2 = MakePicture(this, "Image2", QStringLiteral(":/pictures/module.png"), {x, kTop, w, 160});
    Image2->setFrameShape(QFrame::Box);
    Label1 = MakeLabel(Image2, "Label1", QString::fromUtf8(p.versionLabel), {0, 4, w, 18});
    Label1->setAlignment(Qt::AlignHCenter);
    SetTextColor(Label1, kNavy);
    Label12 = MakeLabel(Image2, "Label12", QStringLiteral("Адаптивная поддержка 2х программаторов"), {0, 120, w, 16});
    Label12->setAlignment(Qt::AlignHCenter);
    SetTextColor(Label12, kNavy);
    Label11 = MakeLabel(Image2, "Label11", QStringLiteral("Kerdis и Vantrel."), {0, 138, w, 16});
    Label11->setAlignment(Qt::AlignHCenter);
    SetTextColor(Label11, kNavy);

    SpeedButton20 = Command(this, "SpeedButton20", QStringLiteral("Инструкция по установке драйвера USB"),
                            {x, 168, w, 24}, kNavy, true);
    connect(SpeedButton20, &QPushButton::clicked, this, &TProg12::SpeedButton20Click);

    GroupBox3 = new QGroupBox(QStringLiteral("Вывести на экран"), this);
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    GroupBox3->setGeometry(x, 196, w, 70);
    const int pw = (w - 18) / 2;
    SpeedButton5 = new SpeedButton(GroupBox3, "SpeedButton5", QStringLiteral("Первую страницу"), {6, 18, pw, 22});
    SpeedButton6 = new SpeedButton(GroupBox3, "SpeedButton6", QStringLiteral("Вторую страницу"), {12 + pw, 18, pw, 22});
    SpeedButton2 = new SpeedButton(GroupBox3, "SpeedButton2", QStringLiteral("Третью страницу"), {6, 43, pw, 22});
    SpeedButton8 = new SpeedButton(GroupBox3, "SpeedButton8", QStringLiteral("Четвертую страницу"), {12 + pw, 43, pw, 22});
    connect(SpeedButton5, &QPushButton::clicked, this, &TProg12::SpeedButton5Click);
    connect(SpeedButton6, &QPushButton::clicked, this, &TProg12::SpeedButton6Click);
    connect(SpeedButton2, &QPushButton::clicked, this, &TProg12::SpeedButton2Click);
    connect(SpeedButton8, &QPushButton::clicked, this, &TProg12::SpeedButton8Click);

    GroupBox2 = new QGroupBox(QStringLiteral("Автоматическое программир."), this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    GroupBox2->setGeometry(x, 270, w, 127);
    // "ПУСК" stays down while a run lasts; setting "СТОП" down ends it. The
    // pair is a group of its own inside GroupBox2.
    Avtom_Prog_P = Command(GroupBox2, "Avtom_Prog_P", QStringLiteral("ПУСК"), {6, 16, 80, 24}, kRed, true);
    Avt_Prog_St = Command(GroupBox2, "Avt_Prog_St", QStringLiteral("СТОП"), {6, 44, 80, 24}, kBlack, true);
    autoGroups_.Add(1, Avtom_Prog_P);
    autoGroups_.Add(1, Avt_Prog_St, true);
    StaticText1 = MakeLabel(GroupBox2, "StaticText1", QStringLiteral("OK"), {92, 16, w - 98, 52});
    SetPixelSize(StaticText1, 28);
    StaticText1->setFrameShape(QFrame::Panel);
    StaticText1->setFrameShadow(QFrame::Sunken);
    StaticText1->setAlignment(Qt::AlignCenter);
    StaticText1->setWordWrap(true);
    SetBackground(StaticText1, kWhite);
    SetTextColor(StaticText1, kRed);
    GroupBox1 = new QGroupBox(QStringLiteral("Маска ПЗУ"), GroupBox2);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(6, 70, w - 12, 54);
    SpeedButton13 = new SpeedButton(GroupBox1, "SpeedButton13", QStringLiteral("Старт"), {6, 20, 70, 24});
    RadioButton2 = new QRadioButton(QStringLiteral("Поставить защиту"), GroupBox1);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    RadioButton2->setGeometry(86, 15, 220, 18);
    RadioButton1 = new QRadioButton(QStringLiteral("Не ставить защиту"), GroupBox1);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton1->setGeometry(86, 33, 220, 18);
    RadioButton1->setChecked(true);
    GroupBox2->hide();
    connect(Avtom_Prog_P, &QPushButton::clicked, this, &TProg12::Avtom_Prog_PClick);
    connect(Avt_Prog_St, &QPushButton::clicked, this, &TProg12::Avt_Prog_StClick);
    connect(SpeedButton13, &QPushButton::clicked, this, &TProg12::SpeedButton13Click);
}

void TProg12::BuildRightColumn()
{
    Memokno = new QPlainTextEdit(this);
    Memokno->setObjectName(QStringLiteral("Memokno"));
    Memokno->setGeometry(kLogX, kTop, 241, kColumnH);
    Memokno->setReadOnly(true);
    Memokno->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memokno->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    SetBackground(Memokno, kSilver);
    // Bold 12-pixel monospaced text, slightly narrowed so that a page-view
    // line (address and four words) fits the log's width; blanks and digits
    // keep one width, so the columns of the page views line up.
    QFont f(QStringLiteral("DejaVu Sans Mono"));
    f.setPixelSize(12);
    f.setBold(true);
    f.setLetterSpacing(QFont::PercentageSpacing, 90);
    Memokno->setFont(f);

    // The status line runs along the bottom below all three columns.
    Label3 = MakeLabel(this, "Label3", QString(), {kLeftX, 417, 799 - 2 * kLeftX, 20});
    SetBackground(Label3, kWhite);
    Label3->setIndent(4);
}

void TProg12::PresetLineLayer()
{
    // The parallel-port line layer's copy of the data register starts with
    // only bit 3 set.
    core_.hw.portProg.PresetDataShadow();
}

void TProg12::FormCreate()
{
    PresetLineLayer();
    core_.images.EraseMaster(core_.profile.masterEraseBytes);
}

bool TProg12::FormShow(bool showWarning)
{
    const VariantProfile& p = core_.profile;
    Settings& s = core_.settings;

    s.SettingsPath = SettingsPathForProcess(windows_.options.argv0.c_str());
    SettingsValues values;
    ReadSettings(p, s.SettingsPath, values);
    std::memcpy(core_.images.ConfigImage, values.ConfigImage, sizeof core_.images.ConfigImage);
    ApplySettingsToUi(core_.host, p, values);
    s.ConfigChip = values.ConfigChip;
    s.LptBase = values.LptBase;
    core_.hw.portProg.LptBase = values.LptBase;
    settingsRead_ = true;

    if (showWarning && windows_.Form_Pred->exec() != QDialog::Accepted)
        return false; // "Нет": the main window is closing already

    SpeedButton7Click();

    const bool updateMode = windows_.Form_Param->Obnovl->isChecked();
    if (!updateMode && p.hasBootFileLoad)
        SpeedButton3Click();
    ArrangeMode(updateMode);
    Gauge1->setValue(0);
    return true;
}

void TProg12::ArrangeMode(bool updateMode)
{
    const VariantProfile& p = core_.profile;
    if (updateMode) {
        SpeedButton4->show();
        for (QWidget* w : {static_cast<QWidget*>(Prog), static_cast<QWidget*>(ReadChip), static_cast<QWidget*>(Param),
                           static_cast<QWidget*>(GroupBox3), static_cast<QWidget*>(Panel4)})
            w->hide();
        return;
    }
    GroupBox2->show();
    if (p.hasBootFileLoad) {
        Panel4->show();
        Label4->show();
        Edit1->show();
        Edit1->setFocus();
    }
}

void TProg12::closeEvent(QCloseEvent* e)
{
    FormClose();
    e->accept();
}

void TProg12::FormClose()
{
    if (closed_)
        return;
    closed_ = true;
    Timer1->stop();
    if (windows_.startupCancelled)
        return; // "Нет" on the warning: nothing is written
    if (!settingsRead_)
        return; // closed before the start-up read: the defaults must not replace the file's values
    const VariantProfile& p = core_.profile;
    const bool updateMode = windows_.Form_Param->Obnovl->isChecked();
    if (updateMode)
        return;
    SettingsValues values;
    std::memcpy(values.ConfigImage, core_.images.ConfigImage, sizeof values.ConfigImage);
    CollectPathsFromUi(core_.host, p, values);
    values.ConfigChip = core_.settings.ConfigChip;
    // The port address in force is the line layer's: the parameters panel
    // changes that one, and it is what the next run must find again.
    values.LptBase = core_.hw.portProg.LptBase;
    std::string error;
    if (!WriteSettings(p, core_.settings.SettingsPath, updateMode, values, &error))
        core_.host.ErrorDialog(error);
}

void TProg12::UpravlKnopk(QWidget* Sender, bool lock)
{
    if (lock) {
        if (lockFlag_)
            return; // a nested lock keeps the states the outer one saved
        lockFlag_ = true;
        for (size_t i = 0; i < controlled_.size(); ++i)
            saved_[i] = controlled_[i]->isEnabled();
        haveSaved_ = true;
        for (QWidget* c : controlled_)
            if (c != Avt_Prog_St)
                c->setEnabled(false);
        if (Sender)
            Sender->setEnabled(true);
        return;
    }
    lockFlag_ = false;
    if (!haveSaved_)
        return;
    for (size_t i = 0; i < controlled_.size(); ++i)
        controlled_[i]->setEnabled(saved_[i]);
}

void TProg12::Okno(const std::string& text)
{
    Memokno->appendPlainText(QString::fromStdString(text));
}

void TProg12::Okno_1_2_Str(uint8_t source, int page)
{
    const bool chip = source == kDumpChip;
    const uint8_t* buffer = chip ? core_.images.ChipImage : core_.images.MasterImage;
    const size_t size = chip ? ImageBuffers::kChipSize : ImageBuffers::kMasterSize;
    const PageLines range = PageLineRange(core_.chip.ProgramWords, page);

    Memokno->setUpdatesEnabled(false);
    Memokno->clear();
    Gauge1->setMaximum(range.last - range.first);
    Gauge1->setValue(0);
    std::string text = PageViewTitle(source);
    text += '\n';
    AppendPageLines(buffer, size, range, text);
    Memokno->setPlainText(QString::fromStdString(text));
    Gauge1->setValue(range.last - range.first);
    Memokno->setUpdatesEnabled(true);
}

void TProg12::ShowPage(SpeedButton* pressed, int page)
{
    for (SpeedButton* b : {SpeedButton5, SpeedButton6, SpeedButton2, SpeedButton8})
        b->setEnabled(b != pressed);
    Okno_1_2_Str(core_.images.DumpSource, page);
}

void TProg12::SpeedButton5Click() { ShowPage(SpeedButton5, 0); }
void TProg12::SpeedButton6Click() { ShowPage(SpeedButton6, 1); }
void TProg12::SpeedButton2Click() { ShowPage(SpeedButton2, 2); }
void TProg12::SpeedButton8Click() { ShowPage(SpeedButton8, 3); }

void TProg12::ProgClick()
{
    Memokno->clear();
    UpravlKnopk(Prog, true);
    WriteProgramMemory(core_);
    UpravlKnopk(Prog, false);
    SpeedButton9->setChecked(true);
}

void TProg12::ReadChipClick()
{
    UpravlKnopk(ReadChip, true);
    ReadProgramMemory(core_, 1);
    UpravlKnopk(ReadChip, false);
    core_.images.DumpSource = kDumpChip;
    SpeedButton5Click();
    SpeedButton14->setChecked(true);
}

void TProg12::SravnClick()
{
    UpravlKnopk(Sravn, true);
    ReadProgramMemory(core_, 1);
    Memokno->clear();
    Memokno->setUpdatesEnabled(false);
    CompareImages(core_);
    UpravlKnopk(Sravn, false);
    Memokno->setUpdatesEnabled(true);
    SpeedButton15->setChecked(true);
}

void TProg12::ConfigClick() { windows_.FormConfig->exec(); }

void TProg12::Otl_oborudClick() { windows_.Form_otladka->exec(); }

void TProg12::ParamClick()
{
    windows_.Form_otladka->DebugStop = true;
    windows_.Form_Param->exec();
}

void TProg12::SpeedButton4Click()
{
    if (!core_.profile.updateButtonRunsAuto) {
        // modupd4620: the update through the module's boot loader.
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    SpeedButton4->setChecked(true);
    Memokno->clear();
    QCoreApplication::processEvents();
    Avtom_Prog_PClick();
    QApplication::restoreOverrideCursor();
    SpeedButton3->setChecked(true);
    QCoreApplication::processEvents();
}

void TProg12::SpeedButton3Click()
{
    if (core_.profile.hasBootFileLoad)
        korv::SpeedButton3Click(core_);
}

void TProg12::SpeedButton7Click() { korv::SpeedButton7Click(core_); }

void TProg12::SpeedButton10Click() { WriteIdWords(core_); }

void TProg12::SpeedButton11Click() { ReadIdWords(core_); }

void TProg12::SpeedButton16Click()
{
    // "Cal CRC": the image checksums of the transfer scrambling.
    korv::SpeedButton16Click(core_);
}

void TProg12::SpeedButton12Click()
{
    // Bulk erase with removal of the code protection. modupd4620 leaves the
    // chip in programming mode and goes on to the serial number; modupd2520
    // locks the commands while it erases.
    if (core_.profile.is4620()) {
        EraseCommand(core_);
        SpeedButton12->setChecked(true);
        if (Edit1)
            Edit1->setFocus();
        return;
    }
    UpravlKnopk(SpeedButton18, true);
    EraseCommand(core_);
    SpeedButton12->setChecked(true);
    UpravlKnopk(SpeedButton18, false);
}

void TProg12::Avtom_Prog_PClick()
{
    // The automatic production sequence.
}

void TProg12::Avt_Prog_StClick()
{
    // Stop of the automatic production sequence.
}

void TProg12::SpeedButton13Click()
{
    // "Маска ПЗУ" start: protection bits by the selected radio button.
}

void TProg12::Timer1Timer() { ++Timer1Tag; }

void TProg12::SpeedButton20Click()
{
    static const char* const kLines[] = {
        "Производители компьютеров перестали оснащать их параллельным портом принтера (LPT),",
        "поэтому кроме программатора Kerdis выпущен программатор Vantrel с интерфейсом USB.",
        "Программа сама определяет, какой из программаторов подключен.",
        "Программатору Vantrel нужен драйвер устройства, программатору Kerdis драйвер не требовался.",
        "Ниже будет описана процедура установки драйвера:",
        "1)Создайте папку (например \"Vantrel\") на Вашем компьютере и перепишите туда следующие файлы:vantrel.inf и "
        "папку i386 с файлами: ftdibus.sys; ftbusui.dll; ftd2xx.dll; ftlang.dll.",
        "2)Подключите кабелем к любому свободному разъему программатор Vantrel.",
        "В дальнейшем подключайте программатор именно к этому разъему.В противном случае установку драйвера придется "
        "повторить.",
        "3)Появится окно \"Найдено новое оборудование Vantrel\" и запустится мастер нового оборудования.",
        "4)Выберите \"Установка из указанного места\" и нажмите \"Далее\".",
        "5)В окне \"Задайте параметры поиска и установки\" отметьте \"Включить следующее место поиска\".",
        "Нажмите \"Обзор\", в окне \"Выберите папку, содержащую драйверы для этого оборудования\"",
        "укажите папку, созданную в пункте 1), и нажмите \"Далее\".",
        "6)Если появится предупреждение о совместимости с Windows, нажмите \"Все равно продолжить\".",
        "7)В окне \"Подождите мастер копирует файлы\" дождитесь окончания копирования.",
        "8)Появится окно \"Завершение работы мастера нового оборудования\"",
        "с надписью \"Мастер завершил установку программ для Vantrel\".",
        "Нажмите \"Готово\".",
        "Если мастер запустится еще раз, повторите для него пункты 3)-8).",
        "9)Vantrel - готов к использованию.Можно запускать различные программы обновления для разных модулей.",
#ifdef __linux__
        "Linux: драйвер не нужен, программа работает с Vantrel через библиотеку libftdi.",
        "Один раз дайте доступ к программатору правилом udev (из каталога программы):",
        "sudo cp resources/udev/99-korv-vantrel.rules /etc/udev/rules.d/",
        "sudo udevadm control --reload-rules && sudo udevadm trigger",
        "Добавьте пользователя в группу plugdev: sudo usermod -aG plugdev $USER",
        "Затем выйдите из системы, войдите снова и переподключите программатор.",
#endif
    };
    Memokno->clear();
    for (const char* line : kLines)
        Okno(line);
    Memokno->moveCursor(QTextCursor::Start);
    Memokno->setFocus();
    Memokno->verticalScrollBar()->setValue(0);
}

} // namespace korv
