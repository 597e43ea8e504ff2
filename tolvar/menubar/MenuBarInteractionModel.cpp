#include "tolvar/menubar/MenuBarInteractionModel.h"

#include "platform/time/Clock.h"

#include <algorithm>

namespace tolvar {

MenuBarInteractionModel::MenuBarInteractionModel(platform::Clock& clock, QObject* parent)
    : QObject(parent)
    , m_clock(clock)
    , m_now(clock.now())
    , m_hoverClearTimer(clock.createTimer())
    , m_clockTimer(clock.createTimer())
{
    m_clockTimer->setSingleShot(true);
    connect(m_clockTimer.get(), &platform::Timer::timeout, this, [this] {
        setNow(m_clock.now());
        // Stopped meanwhile by a view that hid on this tick.
        if (m_clockRunning)
            armClock();
    });
    m_hoverClearTimer->setSingleShot(true);
    // A late wake must not clear a hover that came after the clear was asked for.
    connect(m_hoverClearTimer.get(), &platform::Timer::timeout, this, [this] {
        if (!m_detailPanelHovered && m_hoveredMeetingID == m_hoverToClear)
            setHoveredMeetingID(std::nullopt);
    });
}

MenuBarInteractionModel::~MenuBarInteractionModel() = default;

void MenuBarInteractionModel::setSelectedDayOffset(int offset)
{
    if (m_selectedDayOffset == offset)
        return;
    m_selectedDayOffset = offset;
    Q_EMIT selectedDayOffsetChanged();
    Q_EMIT changed();
}

void MenuBarInteractionModel::setSelectedMeetingID(const std::optional<QString>& id)
{
    if (m_selectedMeetingID == id)
        return;
    m_selectedMeetingID = id;
    Q_EMIT changed();
}

void MenuBarInteractionModel::setHoveredMeetingID(const std::optional<QString>& id)
{
    if (m_hoveredMeetingID == id)
        return;
    m_hoveredMeetingID = id;
    Q_EMIT changed();
}

void MenuBarInteractionModel::setShowDetailFromKeyboard(bool show)
{
    if (m_showDetailFromKeyboard == show)
        return;
    m_showDetailFromKeyboard = show;
    Q_EMIT changed();
}

void MenuBarInteractionModel::setDetailPopupSide(DetailPopupSide side)
{
    if (m_detailPopupSide == side)
        return;
    m_detailPopupSide = side;
    Q_EMIT changed();
}

void MenuBarInteractionModel::setShowAllAttendees(bool show)
{
    if (m_showAllAttendees == show)
        return;
    m_showAllAttendees = show;
    Q_EMIT changed();
}

void MenuBarInteractionModel::setMeetingRowFrames(const QHash<QString, QRectF>& frames)
{
    if (m_meetingRowFrames == frames)
        return;
    m_meetingRowFrames = frames;
    Q_EMIT changed();
}

void MenuBarInteractionModel::setNow(platform::Date now)
{
    if (m_now == now)
        return;
    m_now = now;
    Q_EMIT nowChanged();
    Q_EMIT changed();
}

void MenuBarInteractionModel::setShowBackToTodayTooltip(bool show)
{
    if (m_showBackToTodayTooltip == show)
        return;
    m_showBackToTodayTooltip = show;
    Q_EMIT changed();
}

void MenuBarInteractionModel::setCountdownTargetStart(std::optional<platform::Date> start)
{
    if (m_countdownTargetStart == start)
        return;
    m_countdownTargetStart = start;
    if (m_clockRunning && m_clock.now().addingSeconds(clockWait()) < m_clockDue)
        armClock();
}

void MenuBarInteractionModel::startClock()
{
    m_clockTimer->stop();
    setNow(m_clock.now());
    m_clockRunning = true;
    armClock();
}

void MenuBarInteractionModel::armClock()
{
    const double wait = clockWait();
    m_clockDue = m_clock.now().addingSeconds(wait);
    m_clockTimer->start(wait);
}

void MenuBarInteractionModel::stopClock()
{
    m_clockRunning = false;
    m_clockTimer->stop();
    m_countdownTargetStart.reset();
}

bool MenuBarInteractionModel::isClockRunning() const
{
    return m_clockRunning;
}

double MenuBarInteractionModel::clockWait() const
{
    constexpr double idle = 60;
    constexpr double lastHour = 3600;
    constexpr double shortest = 0.05;
    if (!m_countdownTargetStart)
        return idle;
    const double left = m_countdownTargetStart->secondsSince(m_clock.now());
    if (left <= 0)
        return idle;
    if (left < lastHour)
        return 1;
    const double untilLastHour = std::min(left - lastHour, idle);
    return untilLastHour < shortest ? shortest : untilLastHour;
}

void MenuBarInteractionModel::setHovered(const QString& id)
{
    cancelHoverClear();
    setHoveredMeetingID(id);
}

void MenuBarInteractionModel::clearHover(bool immediately)
{
    cancelHoverClear();
    if (immediately) {
        m_detailPanelHovered = false;
        setHoveredMeetingID(std::nullopt);
        return;
    }
    if (m_detailPanelHovered)
        return;
    startDelayedHoverClear();
}

void MenuBarInteractionModel::setDetailPanelHovered(bool hovered)
{
    if (hovered) {
        cancelHoverClear();
        m_detailPanelHovered = true;
        return;
    }
    m_detailPanelHovered = false;
    startDelayedHoverClear();
}

bool MenuBarInteractionModel::isHoverClearPending() const
{
    return m_hoverClearTimer->isActive();
}

void MenuBarInteractionModel::startDelayedHoverClear()
{
    m_hoverToClear = m_hoveredMeetingID;
    m_hoverClearTimer->start(hoverClearDelay);
}

void MenuBarInteractionModel::cancelHoverClear()
{
    m_hoverClearTimer->stop();
}

void MenuBarInteractionModel::resetForDayChange(const std::optional<QString>& id)
{
    cancelHoverClear();
    m_detailPanelHovered = false;
    setShowBackToTodayTooltip(false);
    setSelectedMeetingID(id);
    setShowDetailFromKeyboard(false);
    setShowAllAttendees(false);
    setHoveredMeetingID(std::nullopt);
}

} // namespace tolvar
