#include "tolvar/settings/SettingsStyle.h"

#include "tolvar/style/FractionalLabel.h"

#include <QApplication>
#include <QLabel>
#include <QPalette>

namespace tolvar::settingsStyle {

QColor accent()
{
    return QApplication::palette().color(QPalette::Highlight);
}

QColor orange()
{
    return QColor::fromRgbF(1.0, 0.584, 0.0);
}

QColor green()
{
    return QColor::fromRgbF(0.204, 0.78, 0.349);
}

QColor red()
{
    return QColor::fromRgbF(1.0, 0.231, 0.188);
}

QColor primaryText()
{
    return QApplication::palette().color(QPalette::WindowText);
}

QColor secondaryText()
{
    QColor color = primaryText();
    color.setAlphaF(0.6);
    return color;
}

QColor separator()
{
    QColor color = primaryText();
    color.setAlphaF(0.16);
    return color;
}

QColor windowBackground()
{
    return QApplication::palette().color(QPalette::Window);
}

QColor controlBackground()
{
    return QApplication::palette().color(QPalette::Base);
}

QFont font(qreal size, QFont::Weight weight)
{
    QFont made = QApplication::font();
    made.setPixelSize(qRound(size));
    made.setWeight(weight);
    return made;
}

QFont captionFont()
{
    return font(11);
}

namespace {

QLabel* styled(QLabel* made, bool secondary)
{
    made->setWordWrap(true);
    made->setTextFormat(Qt::PlainText);
    QPalette palette = made->palette();
    palette.setColor(QPalette::WindowText, secondary ? secondaryText() : primaryText());
    made->setPalette(palette);
    return made;
}

} // namespace

QLabel* label(const QString& text, const QFont& font, bool secondary, QWidget* parent)
{
    auto* made = new QLabel(text, parent);
    made->setFont(font);
    return styled(made, secondary);
}

QLabel* label(const QString& text, const FractionalFont& font, bool secondary, QWidget* parent)
{
    return styled(new FractionalLabel(text, font, parent), secondary);
}

QLabel* caption(const QString& text, QWidget* parent)
{
    return label(text, captionFont(), true, parent);
}

} // namespace tolvar::settingsStyle
