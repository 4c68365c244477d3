// Every component of the main window as the operator's window is designed:
// name, kind, caption, hint, colour, enclosing control, state as created and
// the hidden partner of each grouped command button, for both programs. The
// expected texts are written out here, not taken from the profile, so a
// wrong profile text fails as well. Also the window's own frame and the
// layout: nothing visible overlaps and the status line spans the window.
#include "UiStation.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGuiApplication>
#include <QScreen>

#include <cstdlib>

#include <optional>

namespace korv::test {
namespace {

enum class Kind { Speed, Button, Label, Check, Edit, Frame, Group, Radio, Memo, Gauge };

bool IsKind(QWidget* w, Kind k)
{
    switch (k) {
    case Kind::Speed: return qobject_cast<ui::SpeedButton*>(w) != nullptr;
    case Kind::Button:
        return qobject_cast<QPushButton*>(w) != nullptr && qobject_cast<ui::SpeedButton*>(w) == nullptr;
    case Kind::Label: return qobject_cast<QLabel*>(w) != nullptr;
    case Kind::Check: return qobject_cast<QCheckBox*>(w) != nullptr;
    case Kind::Edit: return qobject_cast<QLineEdit*>(w) != nullptr;
    case Kind::Frame: return qobject_cast<QFrame*>(w) != nullptr && qobject_cast<QLabel*>(w) == nullptr;
    case Kind::Group: return qobject_cast<QGroupBox*>(w) != nullptr;
    case Kind::Radio: return qobject_cast<QRadioButton*>(w) != nullptr;
    case Kind::Memo: return qobject_cast<QPlainTextEdit*>(w) != nullptr;
    case Kind::Gauge: return qobject_cast<QProgressBar*>(w) != nullptr;
    }
    return false;
}

QString Caption(QWidget* w)
{
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text();
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->title();
    return {};
}

const QColor kRed{255, 0, 0}, kTeal{0, 128, 128}, kGreen{0, 128, 0}, kPurple{128, 0, 128}, kBlue{0, 0, 255},
    kWhite{255, 255, 255};

// Which programs carry the component.
enum class In { Both, Only4620, Only2520 };

struct Row {
    const char* name;
    In in;
    Kind kind;
    const char* caption4620; // nullptr: no caption to check
    const char* caption2520; // nullptr: same as caption4620
    const char* hint;        // nullptr: no hint
    std::optional<QColor> text;
    const char* parent;      // enclosing control, nullptr: the window itself
    bool hidden4620;         // as created
    bool hidden2520;
};

// clang-format off
const Row kRows[] = {
    // Left column.
    {"Prog", In::Both, Kind::Speed, " Запись \"BOOT\"", " Программир. прогр. памяти", "Программирование Загрузчика.", kRed, nullptr, false, false},
    {"SpeedButton9", In::Both, Kind::Speed, "", nullptr, nullptr, {}, nullptr, true, true},
    {"SpeedButton4", In::Both, Kind::Speed, " Запись \"Обновления\"", nullptr, "Программирование програмной памяти.", kRed, nullptr, false, false},
    {"SpeedButton3", In::Only4620, Kind::Speed, "Загрузить файл \"BOOTзагрузчика\" *.HEX/*.CRP", nullptr, "Вывести буфер на экран", kPurple, nullptr, true, true},
    {"SpeedButton3", In::Only2520, Kind::Speed, "", nullptr, nullptr, {}, nullptr, true, true},
    {"Image3", In::Both, Kind::Label, nullptr, nullptr, nullptr, {}, nullptr, false, false},
    {"ReadChip", In::Both, Kind::Speed, "Чтение прогр. памяти", nullptr, "Чтение прогр. памяти в буфер.", kTeal, nullptr, false, false},
    {"SpeedButton14", In::Both, Kind::Speed, "", nullptr, nullptr, {}, nullptr, true, true},
    {"Sravn", In::Both, Kind::Speed, " Сравнение прогр. памяти", " Сравн. рогр. памяти", "Сравнение прогр. памяти кристалла с буфером.", kGreen, nullptr, true, true},
    {"SpeedButton15", In::Both, Kind::Speed, "", nullptr, nullptr, {}, nullptr, true, true},
    {"SpeedButton7", In::Both, Kind::Speed, "Загрузить файл обновления  *.HEX/*.CRP", nullptr, "Вывести буфер на экран", kPurple, nullptr, true, true},
    {"Label4", In::Only4620, Kind::Label, "Введите зав. N модуля", nullptr, nullptr, kWhite, nullptr, true, true},
    {"Edit1", In::Only4620, Kind::Edit, nullptr, nullptr, nullptr, {}, nullptr, true, true},
    {"SpeedButton10", In::Both, Kind::Speed, "WR ID", nullptr, nullptr, {}, nullptr, true, true},
    {"SpeedButton11", In::Both, Kind::Speed, "RD ID", nullptr, nullptr, {}, nullptr, true, true},
    {"SpeedButton16", In::Both, Kind::Speed, "Cal CRC", nullptr, nullptr, {}, nullptr, true, true},
    {"Label10", In::Both, Kind::Label, "Микросхема", nullptr, nullptr, {}, nullptr, false, false},
    {"CheckBox2", In::Both, Kind::Check, nullptr, nullptr, nullptr, {}, nullptr, false, false},
    {"Label9", In::Both, Kind::Label, "452", "252", nullptr, {}, nullptr, false, false},
    {"Prog4520", In::Both, Kind::Check, nullptr, nullptr, nullptr, {}, nullptr, false, false},
    {"Label8", In::Both, Kind::Label, "4620", "2520", nullptr, {}, nullptr, false, false},
    {"Label7", In::Both, Kind::Label, "Интерфейс", nullptr, nullptr, {}, nullptr, false, false},
    {"CheckBox1", In::Both, Kind::Check, nullptr, nullptr, nullptr, {}, nullptr, false, false},
    {"Label5", In::Both, Kind::Label, "LPT", nullptr, nullptr, {}, nullptr, false, false},
    {"CheckUSB", In::Both, Kind::Check, nullptr, nullptr, nullptr, {}, nullptr, false, false},
    {"Label6", In::Both, Kind::Label, "USB", nullptr, nullptr, {}, nullptr, false, false},
    {"Label2", In::Both, Kind::Label, nullptr, nullptr, nullptr, kWhite, nullptr, true, true},
    {"Panel4", In::Both, Kind::Frame, nullptr, nullptr, nullptr, {}, nullptr, true, false},
    {"SpeedButton17", In::Both, Kind::Speed, "Конфигурация", nullptr, "Чтение и запись слова конфигурации.", {}, "Panel4", false, false},
    {"SpeedButton18", In::Both, Kind::Speed, "Очистка всей памяти и снятие бита защиты", nullptr, nullptr, kRed, "Panel4", false, false},
    {"SpeedButton12", In::Both, Kind::Speed, "", nullptr, nullptr, {}, "Panel4", true, true},
    {"Otl_oborud", In::Both, Kind::Button, "Отладка  оборуд", nullptr, nullptr, kBlue, nullptr, false, false},
    {"Param", In::Both, Kind::Button, "Параметры", nullptr, nullptr, kBlue, nullptr, false, false},
    {"Panel1", In::Both, Kind::Frame, nullptr, nullptr, nullptr, {}, nullptr, false, false},
    {"Panel2", In::Both, Kind::Frame, nullptr, nullptr, nullptr, {}, nullptr, false, false},
    {"Panel3", In::Both, Kind::Frame, nullptr, nullptr, nullptr, {}, nullptr, false, false},
    {"Gauge1", In::Both, Kind::Gauge, nullptr, nullptr, nullptr, {}, nullptr, false, false},
    // Middle column.
    {"Image2", In::Both, Kind::Label, nullptr, nullptr, nullptr, {}, nullptr, false, false},
    {"Label1", In::Both, Kind::Label, "  Версия  оболочки  5.1  от 16.09.2009  ", "  Версия  оболочки  5.3  от 20.01.2010  ", nullptr, {}, "Image2", false, false},
    {"Label12", In::Both, Kind::Label, "Адаптивная поддержка 2х программаторов", nullptr, nullptr, {}, "Image2", false, false},
    {"Label11", In::Both, Kind::Label, "Kerdis и Vantrel.", nullptr, nullptr, {}, "Image2", false, false},
    {"SpeedButton20", In::Both, Kind::Speed, "Инструкция по установке драйвера USB", nullptr, nullptr, {}, nullptr, false, false},
    {"GroupBox3", In::Both, Kind::Group, "Вывести на экран", nullptr, nullptr, {}, nullptr, false, false},
    {"SpeedButton5", In::Both, Kind::Speed, "Первую страницу", nullptr, nullptr, {}, "GroupBox3", false, false},
    {"SpeedButton6", In::Both, Kind::Speed, "Вторую страницу", nullptr, nullptr, {}, "GroupBox3", false, false},
    {"SpeedButton2", In::Both, Kind::Speed, "Третью страницу", nullptr, nullptr, {}, "GroupBox3", false, false},
    {"SpeedButton8", In::Both, Kind::Speed, "Четвертую страницу", nullptr, nullptr, {}, "GroupBox3", false, false},
    {"GroupBox2", In::Both, Kind::Group, "Автоматическое программир.", nullptr, nullptr, {}, nullptr, true, true},
    {"Avtom_Prog_P", In::Both, Kind::Speed, "ПУСК", nullptr, nullptr, {}, "GroupBox2", false, false},
    {"Avt_Prog_St", In::Both, Kind::Speed, "СТОП", nullptr, nullptr, {}, "GroupBox2", false, false},
    {"StaticText1", In::Both, Kind::Label, "OK", nullptr, nullptr, {}, "GroupBox2", false, false},
    {"GroupBox1", In::Both, Kind::Group, "Маска ПЗУ", nullptr, nullptr, {}, "GroupBox2", false, false},
    {"SpeedButton13", In::Both, Kind::Speed, "Старт", nullptr, nullptr, {}, "GroupBox1", false, false},
    {"RadioButton2", In::Both, Kind::Radio, "Поставить защиту", nullptr, nullptr, {}, "GroupBox1", false, false},
    {"RadioButton1", In::Both, Kind::Radio, "Не ставить защиту", nullptr, nullptr, {}, "GroupBox1", false, false},
    // Right column and bottom.
    {"Memokno", In::Both, Kind::Memo, nullptr, nullptr, nullptr, {}, nullptr, false, false},
    {"Label3", In::Both, Kind::Label, nullptr, nullptr, nullptr, {}, nullptr, false, false},
};
// clang-format on

bool Carries(const VariantProfile& p, In in)
{
    return in == In::Both || (in == In::Only4620) == p.is4620();
}

TEST(MainWindowComponents, EveryComponentAsCreated)
{
    for (const VariantProfile* p : kProfiles) {
        SCOPED_TRACE(p->programName);
        Station s(*p, true);
        TProg12& w = s.main();
        for (const Row& r : kRows) {
            if (!Carries(*p, r.in))
                continue;
            SCOPED_TRACE(r.name);
            QWidget* c = w.findChild<QWidget*>(QString::fromLatin1(r.name));
            ASSERT_NE(c, nullptr);
            EXPECT_TRUE(IsKind(c, r.kind));
            const char* caption = p->is2520() && r.caption2520 ? r.caption2520 : r.caption4620;
            if (caption) {
                EXPECT_EQ(Caption(c).toStdString(), caption);
            }
            EXPECT_EQ(c->toolTip().toStdString(), r.hint ? r.hint : "");
            if (r.text) {
                const QPalette::ColorRole role =
                    qobject_cast<QAbstractButton*>(c) ? QPalette::ButtonText : QPalette::WindowText;
                EXPECT_EQ(c->palette().color(role), *r.text);
            }
            QWidget* parent = c->parentWidget();
            EXPECT_EQ(parent->objectName().toStdString(), r.parent ? r.parent : "Prog12");
            EXPECT_EQ(c->isHidden(), p->is4620() ? r.hidden4620 : r.hidden2520);
        }
        // Nothing of modupd4620's serial-number entry in modupd2520.
        if (p->is2520()) {
            EXPECT_EQ(w.findChild<QWidget*>(QStringLiteral("Label4")), nullptr);
            EXPECT_EQ(w.findChild<QWidget*>(QStringLiteral("Edit1")), nullptr);
        }
    }
}

TEST(MainWindowComponents, FontsOfTheDesign)
{
    Station s(kProfile4620, true);
    TProg12& w = s.main();
    EXPECT_TRUE(w.font().bold()) << "the window's default font is bold";
    EXPECT_TRUE(w.Prog->font().bold());
    EXPECT_TRUE(w.SpeedButton4->font().bold());
    EXPECT_TRUE(w.SpeedButton18->font().underline());
    EXPECT_FALSE(w.Prog->font().underline());
    EXPECT_TRUE(w.Memokno->font().bold());
    EXPECT_EQ(w.Memokno->font().pixelSize(), 12);
    EXPECT_TRUE(w.Memokno->isReadOnly());
    EXPECT_EQ(w.Memokno->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(w.Memokno->size(), QSize(241, 393));
    EXPECT_EQ(w.Memokno->palette().color(QPalette::Base), QColor(192, 192, 192));
    EXPECT_EQ(w.palette().color(QPalette::Window), QColor(149, 149, 132));
    EXPECT_EQ(w.Gauge1->orientation(), Qt::Vertical);
    EXPECT_EQ(w.Gauge1->size(), QSize(10, 393));
    EXPECT_EQ(w.Gauge1->palette().color(QPalette::Highlight), kBlue);
    EXPECT_EQ(w.Label3->palette().color(QPalette::Window), kWhite);
    EXPECT_TRUE(w.Label3->autoFillBackground());
    for (QFrame* rule : {w.Panel1, w.Panel2, w.Panel3}) {
        EXPECT_EQ(rule->palette().color(QPalette::Window), kBlue) << rule->objectName().toStdString();
        EXPECT_LE(rule->height(), 3) << rule->objectName().toStdString();
    }
    EXPECT_FALSE(w.SpeedButton17->icon().isNull()) << "glyph";
    EXPECT_FALSE(w.SpeedButton18->icon().isNull()) << "glyph";
}

// The connector warning: red-on-white lines, the gauge across the top
// without text, "Да" bold navy and "Нет" bold red, no title-bar buttons.
TEST(MainWindowComponents, WarningWindowLook)
{
    for (const VariantProfile* p : kProfiles) {
        SCOPED_TRACE(p->programName);
        Station s(*p, false);
        TForm_Pred& f = *s.windows->Form_Pred;
        for (QLabel* l : {f.Label1, f.Label2, f.Label3}) {
            EXPECT_EQ(l->palette().color(QPalette::WindowText), kRed) << l->objectName().toStdString();
            EXPECT_EQ(l->palette().color(QPalette::Window), kWhite) << l->objectName().toStdString();
            EXPECT_TRUE(l->autoFillBackground());
            EXPECT_TRUE(l->text().startsWith(QStringLiteral("  "))) << "leading blanks centre the caption";
        }
        EXPECT_LT(f.Label1->y(), f.Label2->y());
        EXPECT_LT(f.Label2->y(), f.Label3->y());
        EXPECT_EQ(f.Gauge1->orientation(), Qt::Horizontal);
        EXPECT_FALSE(f.Gauge1->isTextVisible());
        EXPECT_EQ(f.Gauge1->palette().color(QPalette::Highlight), kBlue);
        EXPECT_LT(f.Gauge1->y(), f.Label1->y()) << "across the top";
        EXPECT_EQ(f.BitBtn1->palette().color(QPalette::ButtonText), QColor(0, 0, 128));
        EXPECT_EQ(f.BitBtn2->palette().color(QPalette::ButtonText), kRed);
        EXPECT_TRUE(f.BitBtn1->font().bold());
        EXPECT_TRUE(f.BitBtn2->font().bold());
        const Qt::WindowFlags fl = f.windowFlags();
        EXPECT_FALSE(fl & Qt::WindowCloseButtonHint);
        EXPECT_FALSE(fl & Qt::WindowMinimizeButtonHint);
        EXPECT_FALSE(fl & Qt::WindowMaximizeButtonHint);
        EXPECT_EQ(f.minimumSize(), f.maximumSize());
    }
}

// Each grouped command button has its hidden partner in the same group, and
// the partner starts down.
TEST(MainWindowComponents, GroupsAndHiddenPartners)
{
    struct Pair {
        const char* button;
        const char* partner;
        In in;
    };
    const Pair pairs[] = {{"Prog", "SpeedButton9", In::Both},
                          {"ReadChip", "SpeedButton14", In::Both},
                          {"Sravn", "SpeedButton15", In::Both},
                          {"SpeedButton18", "SpeedButton12", In::Both},
                          {"SpeedButton4", "SpeedButton3", In::Only2520}};
    for (const VariantProfile* p : kProfiles) {
        SCOPED_TRACE(p->programName);
        Station s(*p, true);
        TProg12& w = s.main();
        for (const Pair& pr : pairs) {
            SCOPED_TRACE(pr.button);
            auto* b = w.findChild<QAbstractButton*>(QString::fromLatin1(pr.button));
            auto* partner = w.findChild<QAbstractButton*>(QString::fromLatin1(pr.partner));
            ASSERT_NE(b, nullptr);
            ASSERT_NE(partner, nullptr);
            if (!Carries(*p, pr.in)) {
                EXPECT_TRUE(b->group() == nullptr || b->group() != partner->group());
                continue;
            }
            ASSERT_NE(b->group(), nullptr);
            EXPECT_EQ(b->group(), partner->group());
            EXPECT_TRUE(partner->isChecked());
            EXPECT_TRUE(partner->isHidden());
            EXPECT_FALSE(b->isChecked());
        }
        // Buttons that run no grouped operation are plain.
        for (const char* name : {"SpeedButton7", "SpeedButton17", "SpeedButton20", "SpeedButton5", "SpeedButton10"}) {
            auto* b = w.findChild<QAbstractButton*>(QString::fromLatin1(name));
            ASSERT_NE(b, nullptr) << name;
            EXPECT_EQ(b->group(), nullptr) << name;
        }
        if (p->is4620()) {
            EXPECT_EQ(w.SpeedButton3->group(), nullptr);
            EXPECT_EQ(w.SpeedButton4->group(), nullptr);
        }
    }
}

// Status line, diagnostics line and result boxes show paths and messages
// literally, whatever characters a path holds.
TEST(MainWindowComponents, LabelsShowTextAsWritten)
{
    Station s(kProfile4620, true);
    const std::string path = "d:\\<b>fw</b>\\<new>.hex";
    s.host.SetText("Prog12.Label3", "Ошибка загрузки " + path);
    EXPECT_EQ(s.main().Label3->textFormat(), Qt::PlainText);
    EXPECT_EQ(s.host.Text("Prog12.Label3"), "Ошибка загрузки " + path);
    for (QWidget* window : {static_cast<QWidget*>(s.windows->Prog12), static_cast<QWidget*>(s.windows->FormConfig),
                            static_cast<QWidget*>(s.windows->Form_Param), static_cast<QWidget*>(s.windows->Form_otladka),
                            static_cast<QWidget*>(s.windows->Form_Pred)})
        for (QLabel* l : window->findChildren<QLabel*>())
            EXPECT_EQ(l->textFormat(), Qt::PlainText)
                << window->objectName().toStdString() << "." << l->objectName().toStdString();
}

TEST(MainWindowComponents, WindowFrameSizeAndPlace)
{
    Station s(kProfile2520, false);
    TProg12& w = s.main();
    EXPECT_EQ(w.size(), QSize(799, 441));
    EXPECT_EQ(w.minimumSize(), w.maximumSize()) << "fixed single border";
    const Qt::WindowFlags f = w.windowFlags();
    EXPECT_TRUE(f & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(f & Qt::WindowSystemMenuHint);
    EXPECT_FALSE(f & Qt::WindowMaximizeButtonHint);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QPoint c = screen->availableGeometry().center();
        EXPECT_LE(std::abs(w.geometry().center().x() - c.x()), 1);
        EXPECT_LE(std::abs(w.geometry().center().y() - c.y()), 1);
    }
}

// In every program and mode the visible controls of the window lie inside
// the client area and do not cover each other; the status line runs along
// the bottom across the whole width, below everything else.
TEST(MainWindowComponents, LayoutHasNoOverlapsAndAFullWidthStatusLine)
{
    for (const VariantProfile* p : kProfiles) {
        for (bool production : {false, true}) {
            SCOPED_TRACE(testing::Message() << p->programName << (production ? " production" : " update"));
            TempCwd cwd;
            Station s(*p, production);
            ASSERT_TRUE(s.StartUp(true));
            TProg12& w = s.main();
            // Controls of the left column that only an engineering command
            // shows are checked too: they must fit when shown.
            for (const char* name : {"Sravn", "SpeedButton7", "SpeedButton10", "SpeedButton11", "SpeedButton16",
                                     "Label2", "SpeedButton3"})
                if (auto* x = w.findChild<QWidget*>(QString::fromLatin1(name)); x && !(p->is2520() && x == w.SpeedButton3))
                    x->show();
            std::vector<QWidget*> shown;
            for (QWidget* c : w.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
                if (c->isVisibleTo(&w))
                    shown.push_back(c);
            for (size_t i = 0; i < shown.size(); ++i) {
                EXPECT_TRUE(w.rect().contains(shown[i]->geometry())) << shown[i]->objectName().toStdString();
                for (size_t j = i + 1; j < shown.size(); ++j)
                    EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry()))
                        << shown[i]->objectName().toStdString() << " / " << shown[j]->objectName().toStdString();
            }
            const QRect status = w.Label3->geometry();
            EXPECT_LE(status.left(), w.Prog->geometry().left());
            EXPECT_GE(status.right(), w.Memokno->geometry().right());
            for (QWidget* c : shown)
                if (c != w.Label3) {
                    EXPECT_LT(c->geometry().bottom(), status.top()) << c->objectName().toStdString();
                }
        }
    }
}

} // namespace
} // namespace korv::test
