#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QLabel;
class QWidget;

namespace tolvar {

struct FractionalFont;

// The colours and type of the settings and onboarding windows, taken from the desktop's palette where
// it has one and otherwise fixed.
namespace settingsStyle {

QColor accent();
QColor orange();
QColor green();
QColor red();
QColor primaryText();
QColor secondaryText();
QColor separator();
QColor windowBackground();
QColor controlBackground();

// A font of `size` pixels in the desktop's family.
QFont font(qreal size, QFont::Weight weight = QFont::Normal);
QFont captionFont();

// A wrapping text; `secondary` greys it as a footnote.
QLabel* label(const QString& text, const QFont& font, bool secondary, QWidget* parent = nullptr);
// The same in a font of a fractional size, such as 12.5, which a QFont would round.
QLabel* label(const QString& text, const FractionalFont& font, bool secondary, QWidget* parent = nullptr);
QLabel* caption(const QString& text, QWidget* parent = nullptr);

} // namespace settingsStyle

} // namespace tolvar
