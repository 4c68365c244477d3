#include "app/QtUiHost.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTextEdit>

namespace korv {

void QtUiHost::AddWindow(QWidget* window) { windows_.append(window); }

QWidget* QtUiHost::Find(const std::string& control) const
{
    const QString name = QString::fromStdString(control);
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    if (dot <= 0)
        return nullptr;
    const QString window = name.left(dot);
    const QString child = name.mid(dot + 1);
    for (const QPointer<QWidget>& w : windows_) {
        if (!w || w->objectName() != window)
            continue;
        if (child.isEmpty())
            return w;
        return w->findChild<QWidget*>(child);
    }
    return nullptr;
}

void QtUiHost::Okno(const std::string& text)
{
    if (log_)
        log_->appendPlainText(QString::fromStdString(text));
}

void QtUiHost::ClearLog()
{
    if (log_)
        log_->clear();
}

void QtUiHost::SetGaugeMax(int max)
{
    if (!gauge_)
        return;
    // A bar whose range is empty would show Qt's "busy" animation; an empty
    // operation shows an empty gauge instead.
    if (max <= 0)
        gauge_->setRange(0, 1);
    else
        gauge_->setRange(0, max);
}

void QtUiHost::SetGaugeProgress(int progress)
{
    if (gauge_)
        gauge_->setValue(qBound(gauge_->minimum(), progress, gauge_->maximum()));
}

void QtUiHost::ProcessMessages() { QCoreApplication::processEvents(); }

QWidget* QtUiHost::DialogParent() const
{
    // The dialog belongs to the active window of the program, else the main
    // window.
    for (const QPointer<QWidget>& w : windows_)
        if (w && w->isVisible() && w->isActiveWindow())
            return w;
    for (const QPointer<QWidget>& w : windows_)
        if (w && w->isVisible())
            return w;
    return nullptr;
}

void QtUiHost::ShowDialog(bool isError, const std::string& text, int button)
{
    if (recordDialogs) {
        (isError ? errors : infos).push_back(text);
        if (onDialog)
            onDialog(isError, text);
        return;
    }
    QMessageBox box(isError ? QMessageBox::Critical : QMessageBox::Information,
                    isError ? QStringLiteral("Ошибка") : QStringLiteral("Информация"), QString::fromStdString(text),
                    static_cast<QMessageBox::StandardButton>(button), DialogParent());
    box.exec();
}

void QtUiHost::ErrorDialog(const std::string& text)
{
    ShowDialog(true, text, QMessageBox::Ok);
}

void QtUiHost::InfoDialog(const std::string& text)
{
    ShowDialog(false, text, QMessageBox::Ok);
}

void QtUiHost::CancelDialog(const std::string& text)
{
    ShowDialog(false, text, QMessageBox::Cancel);
}

void QtUiHost::SetText(const std::string& control, const std::string& text)
{
    QWidget* w = Find(control);
    const QString t = QString::fromStdString(text);
    if (auto* e = qobject_cast<QLineEdit*>(w))
        e->setText(t);
    else if (auto* l = qobject_cast<QLabel*>(w))
        l->setText(t);
    else if (auto* b = qobject_cast<QAbstractButton*>(w))
        b->setText(t);
    else if (auto* p = qobject_cast<QPlainTextEdit*>(w))
        p->setPlainText(t);
    else if (auto* m = qobject_cast<QTextEdit*>(w))
        m->setPlainText(t);
    else if (w && w->isWindow())
        w->setWindowTitle(t);
}

std::string QtUiHost::Text(const std::string& control) const
{
    QWidget* w = Find(control);
    QString t;
    if (auto* e = qobject_cast<QLineEdit*>(w))
        t = e->text();
    else if (auto* l = qobject_cast<QLabel*>(w))
        t = l->text();
    else if (auto* b = qobject_cast<QAbstractButton*>(w))
        t = b->text();
    else if (auto* p = qobject_cast<QPlainTextEdit*>(w))
        t = p->toPlainText();
    else if (auto* m = qobject_cast<QTextEdit*>(w))
        t = m->toPlainText();
    else if (w && w->isWindow())
        t = w->windowTitle();
    return t.toStdString();
}

void QtUiHost::SetChecked(const std::string& control, bool checked)
{
    if (auto* b = qobject_cast<QAbstractButton*>(Find(control)))
        b->setChecked(checked);
}

bool QtUiHost::Checked(const std::string& control) const
{
    auto* b = qobject_cast<QAbstractButton*>(Find(control));
    return b && b->isChecked();
}

} // namespace korv
