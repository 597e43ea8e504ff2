#include "tolvar/menubar/DayNavigationBar.h"

#include "tolvar/menubar/DayNavBackToTodayTitle.h"
#include "tolvar/menubar/DayNavButton.h"
#include "tolvar/menubar/PanelStyle.h"

#include <QPainter>

namespace tolvar {

namespace {
constexpr int buttonSize = 26;
constexpr int spacing = 8;

QFont todayFont()
{
    return PanelStyle::font(13, QFont::DemiBold);
}
} // namespace

DayNavigationBar::DayNavigationBar(MenuBarInteractionModel& ui, QWidget* parent)
    : QWidget(parent)
    , m_previous(new DayNavButton(QStringLiteral("chevron.left"), this))
    , m_next(new DayNavButton(QStringLiteral("chevron.right"), this))
    , m_backToToday(new DayNavBackToTodayTitle(ui, this))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_backToToday->hide();
    connect(m_previous, &QAbstractButton::clicked, this, &DayNavigationBar::previousDay);
    connect(m_next, &QAbstractButton::clicked, this, &DayNavigationBar::nextDay);
}

void DayNavigationBar::setDay(int dayOffset, int maxDayOffset, const QString& title)
{
    m_previous->setEnabled(dayOffset >= 1);
    m_next->setEnabled(maxDayOffset > dayOffset);
    const bool isToday = dayOffset == 0;
    if (m_title == title && m_isToday == isToday)
        return;
    m_title = title;
    m_isToday = isToday;
    m_backToToday->setTitle(title);
    m_backToToday->setVisible(!isToday);
    setAccessibleName(isToday ? title : QString());
    update();
}

QSize DayNavigationBar::sizeHint() const
{
    return { PanelStyle::columnWidth, buttonSize };
}

QRect DayNavigationBar::titleRect() const
{
    return { buttonSize + spacing, 0, width() - 2 * (buttonSize + spacing), height() };
}

void DayNavigationBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_previous->move(0, 0);
    m_next->move(width() - buttonSize, 0);
    const QRect title = titleRect();
    const int titleHeight = m_backToToday->sizeHint().height();
    m_backToToday->setGeometry(title.left(), (height() - titleHeight) / 2, title.width(), titleHeight);
}

void DayNavigationBar::paintEvent(QPaintEvent*)
{
    if (!m_isToday)
        return;
    QPainter painter(this);
    PanelStyle::drawLine(painter, QRectF(titleRect()), m_title, todayFont(), PanelStyle::white(0.85), Qt::AlignHCenter);
}

} // namespace tolvar
