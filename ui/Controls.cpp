#include "ui/Controls.h"

#include <QApplication>
#include <QPixmap>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace korv::ui {

void SetTextColor(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        p.setColor(group, QPalette::WindowText, c);
        p.setColor(group, QPalette::ButtonText, c);
        p.setColor(group, QPalette::Text, c);
    }
    w->setPalette(p);
}

void SetBackground(QWidget* w, const QColor& c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    p.setColor(QPalette::Base, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

void SetBold(QWidget* w, bool bold)
{
    QFont f = w->font();
    f.setBold(bold);
    w->setFont(f);
}

void SetUnderline(QWidget* w, bool underline)
{
    QFont f = w->font();
    f.setUnderline(underline);
    w->setFont(f);
}

void SetPixelSize(QWidget* w, int pixels)
{
    QFont f = w->font();
    f.setPixelSize(pixels);
    w->setFont(f);
}

SpeedButton::SpeedButton(QWidget* parent, const char* name, const QString& caption, const QRect& geometry)
    : QPushButton(caption, parent)
{
    setObjectName(QString::fromLatin1(name));
    setGeometry(geometry);
    setFocusPolicy(Qt::NoFocus); // speed buttons never take the keyboard focus
}

void SpeedButton::paintEvent(QPaintEvent*)
{
    QStylePainter p(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    const QString caption = opt.text;
    const QIcon glyph = opt.icon;
    opt.text.clear();
    opt.icon = QIcon();
    p.drawControl(QStyle::CE_PushButtonBevel, opt);

    QRect r = style()->subElementRect(QStyle::SE_PushButtonContents, &opt, this).adjusted(2, 0, -2, 0);
    if (isDown() || isChecked())
        r.translate(1, 1);
    if (!glyph.isNull()) {
        const QSize s = iconSize();
        const QRect g(r.left(), r.top() + (r.height() - s.height()) / 2, s.width(), s.height());
        glyph.paint(&p, g, Qt::AlignCenter, isEnabled() ? QIcon::Normal : QIcon::Disabled);
        r.setLeft(g.right() + 4);
    }
    p.drawItemText(r, Qt::AlignCenter | Qt::TextWordWrap, palette(), isEnabled(), caption, QPalette::ButtonText);
}

void ButtonGroups::Add(int groupIndex, QAbstractButton* b, bool down)
{
    QButtonGroup*& g = groups_[groupIndex];
    if (!g) {
        g = new QButtonGroup(owner_);
        g->setObjectName(QStringLiteral("Group%1").arg(groupIndex));
        g->setExclusive(true);
    }
    b->setCheckable(true);
    g->addButton(b);
    if (down)
        b->setChecked(true);
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry)
{
    auto* l = new QLabel(parent);
    // Labels show file paths and messages as they are: a path such as
    // "d:\<new>\boot.hex" must not be taken for markup.
    l->setTextFormat(Qt::PlainText);
    l->setText(text);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(geometry);
    return l;
}

QFrame* MakeRule(QWidget* parent, const char* name, const QRect& geometry, const QColor& c)
{
    auto* f = new QFrame(parent);
    f->setObjectName(QString::fromLatin1(name));
    f->setGeometry(geometry);
    f->setFrameShape(QFrame::NoFrame);
    SetBackground(f, c);
    return f;
}

QLabel* MakePicture(QWidget* parent, const char* name, const QString& resource, const QRect& geometry)
{
    auto* l = new QLabel(parent);
    l->setTextFormat(Qt::PlainText);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(geometry);
    QPixmap pm(resource);
    if (!pm.isNull())
        l->setPixmap(pm.scaled(geometry.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    l->setAlignment(Qt::AlignCenter);
    return l;
}

void ApplyApplicationLook()
{
    QApplication::setStyle(QStringLiteral("Fusion"));
    // The design font is a small, narrow bold sans; DejaVu Sans Condensed
    // carries the Cyrillic glyphs on every Debian machine.
    QFont f(QStringLiteral("DejaVu Sans Condensed"));
    f.setStretch(QFont::Condensed);
    f.setPixelSize(11);
    QApplication::setFont(f);
}

} // namespace korv::ui
