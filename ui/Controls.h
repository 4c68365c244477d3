// Small building blocks shared by the program's windows: the colours and
// fonts of the original design, a command button that keeps its caption on
// several lines, exclusive button groups with a "down" state, thin rules and
// picture boxes. Every control is placed at a fixed position in its window.
#pragma once

#include <QButtonGroup>
#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QRect>
#include <QString>

namespace korv::ui {

// Colours of the design palette.
inline const QColor kRed{255, 0, 0};
inline const QColor kGreen{0, 128, 0};
inline const QColor kTeal{0, 128, 128};
inline const QColor kPurple{128, 0, 128};
inline const QColor kBlue{0, 0, 255};
inline const QColor kNavy{0, 0, 128};
inline const QColor kWhite{255, 255, 255};
inline const QColor kSilver{192, 192, 192};
inline const QColor kBlack{0, 0, 0};
inline const QColor kMainBackground{149, 149, 132};

void SetTextColor(QWidget* w, const QColor& c);
void SetBackground(QWidget* w, const QColor& c);
void SetBold(QWidget* w, bool bold = true);
void SetUnderline(QWidget* w, bool underline = true);
void SetPixelSize(QWidget* w, int pixels);

// A command ("speed") button. Its caption is painted word-wrapped inside the
// button, so long captions fit the narrow command column while text() stays
// the caption exactly.
class SpeedButton : public QPushButton {
    Q_OBJECT
public:
    SpeedButton(QWidget* parent, const char* name, const QString& caption, const QRect& geometry);

protected:
    void paintEvent(QPaintEvent* e) override;
};

// The group indices of one window. Buttons of a group are checkable and
// mutually exclusive: pressing one sets it down and releases the others;
// setting the hidden partner down releases the visible button.
class ButtonGroups {
public:
    explicit ButtonGroups(QObject* owner) : owner_(owner) {}
    void Add(int groupIndex, QAbstractButton* b, bool down = false);
    QButtonGroup* Group(int groupIndex) const { return groups_.value(groupIndex); }

private:
    QObject* owner_;
    QMap<int, QButtonGroup*> groups_;
};

// Plain controls at fixed positions.
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& geometry);
QFrame* MakeRule(QWidget* parent, const char* name, const QRect& geometry, const QColor& c);
// A picture box showing an image from the program's resources, scaled to fit.
QLabel* MakePicture(QWidget* parent, const char* name, const QString& resource, const QRect& geometry);

// Makes the application's appearance independent of the desktop: Fusion
// style, a font with Cyrillic glyphs.
void ApplyApplicationLook();

} // namespace korv::ui
