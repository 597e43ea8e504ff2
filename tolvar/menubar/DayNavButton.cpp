#include "tolvar/menubar/DayNavButton.h"

#include "platform/text/Localized.h"
#include "tolvar/menubar/PanelStyle.h"
#include "tolvar/style/Palette.h"

#include <QPainter>

namespace tolvar {

DayNavButton::DayNavButton(const QString& symbol, QWidget* parent)
    : QAbstractButton(parent)
    , m_symbol(symbol)
{
    setFixedSize(26, 26);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(symbol == QLatin1String("chevron.left") ? platform::localized("Previous day")
                                                              : platform::localized("Next day"));
}

void DayNavButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // The disabled look: the whole button faded.
    painter.setOpacity(isEnabled() ? (isDown() ? 0.75 : 1.0) : 0.35);
    PanelStyle::fillRounded(painter, QRectF(rect()), 7, PanelStyle::white(0.06), PanelStyle::white(0.1));
    PanelStyle::paintSymbol(painter, m_symbol, QRectF(rect()), 13, Palette::shared().teal);
}

} // namespace tolvar
