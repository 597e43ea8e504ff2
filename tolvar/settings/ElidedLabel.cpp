#include "tolvar/settings/ElidedLabel.h"

#include <QPainter>

namespace tolvar {

ElidedLabel::ElidedLabel(const QString& text, QWidget* parent)
    : QWidget(parent)
    , m_text(text)
{
    setToolTip(text);
    setAccessibleName(text);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QString ElidedLabel::shownText() const
{
    return fontMetrics().elidedText(m_text, Qt::ElideMiddle, width());
}

QSize ElidedLabel::sizeHint() const
{
    return { fontMetrics().horizontalAdvance(m_text), fontMetrics().height() };
}

QSize ElidedLabel::minimumSizeHint() const
{
    // Room for a few characters around the ellipsis.
    return { std::min(sizeHint().width(), fontMetrics().horizontalAdvance(QStringLiteral("Wor…ork"))),
        fontMetrics().height() };
}

void ElidedLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, shownText());
}

} // namespace tolvar
