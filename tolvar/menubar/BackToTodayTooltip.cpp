#include "tolvar/menubar/BackToTodayTooltip.h"

#include "platform/text/Localized.h"
#include "tolvar/menubar/PanelStyle.h"

#include <QPainter>

namespace tolvar {

namespace {
QFont hintFont()
{
    return PanelStyle::font(10, QFont::DemiBold);
}
} // namespace

BackToTodayTooltip::BackToTodayTooltip(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    resize(sizeHint());
}

QSize BackToTodayTooltip::sizeHint() const
{
    return { int(std::ceil(PanelStyle::textWidth(hintFont(), platform::localized("Back to Today")))) + 16,
        int(std::ceil(PanelStyle::lineHeight(hintFont()))) + 8 };
}

void BackToTodayTooltip::placeOver(const QRect& title)
{
    const QSize size = sizeHint();
    setGeometry(title.center().x() - size.width() / 2, title.top() - 22, size.width(), size.height());
    raise();
}

void BackToTodayTooltip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PanelStyle::fillRounded(painter, QRectF(rect()), 6, QColor::fromRgbF(0, 0, 0, 0.88f), PanelStyle::white(0.12));
    PanelStyle::drawLine(painter, QRectF(rect()), platform::localized("Back to Today"), hintFont(),
        PanelStyle::white(0.92), Qt::AlignHCenter);
}

} // namespace tolvar
