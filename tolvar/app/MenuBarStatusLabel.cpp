#include "tolvar/app/MenuBarStatusLabel.h"

#include "platform/text/Localized.h"
#include "platform/time/Clock.h"
#include "tolvar/core/AppModel.h"

#include <QSystemTrayIcon>

namespace tolvar {

namespace {

// A moment worked out in floating point may be reached a hair early: look a little after it.
constexpr double recomputeMargin = 0.05;

} // namespace

MenuBarStatusLabel::MenuBarStatusLabel(AppModel& appModel, QSystemTrayIcon& trayIcon, QObject* parent)
    : QObject(parent)
    , m_appModel(appModel)
    , m_trayIcon(trayIcon)
    , m_timer(appModel.clock().createTimer())
{
    m_timer->setSingleShot(true);
    connect(m_timer.get(), &platform::Timer::timeout, this, &MenuBarStatusLabel::recompute);
    // Every published change, the meetings and the lead time included, is announced through changed().
    connect(&m_appModel, &AppModel::changed, this, &MenuBarStatusLabel::recompute);
    recompute();
}

MenuBarStatusLabel::~MenuBarStatusLabel() = default;

QIcon MenuBarStatusLabel::icon(Symbol symbol)
{
    return QIcon(new StatusIconEngine(symbol));
}

void MenuBarStatusLabel::recompute()
{
    Symbol symbol = Symbol::calendar;
    if (!m_appModel.currentMeetings().isEmpty())
        symbol = Symbol::video;
    else if (m_appModel.isAnyMeetingInReminderWindow())
        symbol = Symbol::bell;

    const std::optional<QString> status = m_appModel.menuBarStatusText();
    const QString label = status && !status->isEmpty() ? *status : platform::localized("Tolvar");

    if (!m_applied || symbol != m_symbol) {
        m_symbol = symbol;
        m_trayIcon.setIcon(icon(symbol));
    }
    if (!m_applied || label != m_accessibilityLabel) {
        m_accessibilityLabel = label;
        m_trayIcon.setToolTip(label);
    }
    m_applied = true;
    scheduleNextRecompute();
}

void MenuBarStatusLabel::scheduleNextRecompute()
{
    const platform::Date now = m_appModel.clock().now();
    const double lead = m_appModel.reminderLeadSeconds();
    std::optional<platform::Date> next;
    const auto consider = [&](platform::Date moment) {
        if (moment > now && (!next || moment < *next))
            next = moment;
    };
    for (const MeetingSnapshot& meeting : m_appModel.meetings()) {
        consider(meeting.startDate.addingSeconds(-lead));
        consider(meeting.startDate);
        consider(meeting.endDate);
    }
    if (next)
        m_timer->start(next->secondsSince(now) + recomputeMargin);
    else
        m_timer->stop();
}

} // namespace tolvar
