#include "tolvar/menubar/CircleActionButton.h"

#include "tolvar/menubar/PanelStyle.h"
#include "tolvar/style/Palette.h"

#include <QLinearGradient>
#include <QPainter>

namespace tolvar {

CircleActionButton::CircleActionButton(QWidget* parent)
    : QAbstractButton(parent)
{
    setFixedSize(diameter, diameter);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void CircleActionButton::setKind(Kind kind)
{
    if (m_kind == kind)
        return;
    m_kind = kind;
    update();
}

void CircleActionButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Palette& palette = Palette::shared();
    const QRectF disc = QRectF(rect());
    if (isDown())
        painter.setOpacity(0.8);
    if (m_kind == Kind::join) {
        QLinearGradient gradient(disc.topLeft(), disc.bottomRight());
        gradient.setColorAt(0, palette.teal);
        gradient.setColorAt(1, palette.blue);
        painter.setPen(Qt::NoPen);
        painter.setBrush(gradient);
        painter.drawEllipse(disc);
        PanelStyle::paintSymbol(painter, QStringLiteral("video.fill"), disc, 12, QColor::fromRgbF(0, 0, 0, 0.85f));
        return;
    }
    painter.setPen(QPen(PanelStyle::white(0.14), 1));
    painter.setBrush(PanelStyle::white(0.08));
    painter.drawEllipse(disc.adjusted(0.5, 0.5, -0.5, -0.5));
    PanelStyle::paintSymbol(painter, QStringLiteral("mappin.and.ellipse"), disc, 12, PanelStyle::white(0.86));
}

} // namespace tolvar
