#include "tolvar/menubar/DayNavBackToTodayTitle.h"

#include "platform/text/Localized.h"
#include "tolvar/menubar/MenuBarInteractionModel.h"
#include "tolvar/menubar/PanelStyle.h"
#include "tolvar/style/Palette.h"

#include <QPainter>

namespace tolvar {

namespace {
QFont titleFont()
{
    QFont font = PanelStyle::font(13, QFont::DemiBold);
    font.setUnderline(true);
    return font;
}
} // namespace

DayNavBackToTodayTitle::DayNavBackToTodayTitle(MenuBarInteractionModel& ui, QWidget* parent)
    : QAbstractButton(parent)
    , m_ui(ui)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(platform::localized("Back to Today"));
    connect(this, &QAbstractButton::clicked, this, &DayNavBackToTodayTitle::backToToday);
}

void DayNavBackToTodayTitle::setTitle(const QString& title)
{
    if (text() == title)
        return;
    setText(title);
    setAccessibleDescription(platform::localizedFormat("Currently showing %@", { title }));
    update();
}

void DayNavBackToTodayTitle::backToToday()
{
    m_ui.setShowBackToTodayTooltip(false);
    m_ui.setSelectedDayOffset(0);
}

QSize DayNavBackToTodayTitle::sizeHint() const
{
    return { int(PanelStyle::textWidth(titleFont(), text())) + 1, int(std::ceil(PanelStyle::lineHeight(titleFont()))) };
}

void DayNavBackToTodayTitle::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PanelStyle::drawLine(
        painter, QRectF(rect()), text(), titleFont(), withOpacity(Palette::shared().teal, 0.95), Qt::AlignHCenter);
}

void DayNavBackToTodayTitle::enterEvent(QEnterEvent* event)
{
    QAbstractButton::enterEvent(event);
    m_ui.setShowBackToTodayTooltip(true);
}

void DayNavBackToTodayTitle::leaveEvent(QEvent* event)
{
    QAbstractButton::leaveEvent(event);
    m_ui.setShowBackToTodayTooltip(false);
}

void DayNavBackToTodayTitle::hideEvent(QHideEvent* event)
{
    QAbstractButton::hideEvent(event);
    m_ui.setShowBackToTodayTooltip(false);
}

} // namespace tolvar
