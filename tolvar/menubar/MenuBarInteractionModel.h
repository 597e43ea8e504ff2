#pragma once

#include "platform/time/Date.h"
#include "tolvar/menubar/DetailPopupSide.h"

#include <QHash>
#include <QObject>
#include <QRectF>
#include <QString>
#include <memory>
#include <optional>

namespace platform {
class Clock;
class Timer;
} // namespace platform

namespace tolvar {

// What a panel view remembers between rebuilds: the day it shows, the keyboard selection, the
// hovered row and the clock its countdowns read. Everything else is worked out from the
// application model on every rebuild.
class MenuBarInteractionModel : public QObject
{
    Q_OBJECT
public:
    // How long the pointer may be away from a row and the detail card before the card goes.
    static constexpr double hoverClearDelay = 0.28;

    explicit MenuBarInteractionModel(platform::Clock& clock, QObject* parent = nullptr);
    ~MenuBarInteractionModel() override;

    // Days after today that the panel shows (0 = today).
    int selectedDayOffset() const { return m_selectedDayOffset; }
    void setSelectedDayOffset(int offset);
    const std::optional<QString>& selectedMeetingID() const { return m_selectedMeetingID; }
    void setSelectedMeetingID(const std::optional<QString>& id);
    const std::optional<QString>& hoveredMeetingID() const { return m_hoveredMeetingID; }
    void setHoveredMeetingID(const std::optional<QString>& id);
    // The detail panel follows the keyboard selection.
    bool showDetailFromKeyboard() const { return m_showDetailFromKeyboard; }
    void setShowDetailFromKeyboard(bool show);
    DetailPopupSide detailPopupSide() const { return m_detailPopupSide; }
    void setDetailPopupSide(DetailPopupSide side);
    bool showAllAttendees() const { return m_showAllAttendees; }
    void setShowAllAttendees(bool show);
    // Row frames in the panel's own coordinates, by meeting id.
    const QHash<QString, QRectF>& meetingRowFrames() const { return m_meetingRowFrames; }
    void setMeetingRowFrames(const QHash<QString, QRectF>& frames);
    // The panel's clock: every time-dependent text and list reads it.
    platform::Date now() const { return m_now; }
    void setNow(platform::Date now);

    // Start of the NEXT meeting while today shows. A running clock whose wait the new target shortens
    // (a meeting that a refresh brought within the hour) waits afresh, so the countdown never stands still.
    std::optional<platform::Date> countdownTargetStart() const { return m_countdownTargetStart; }
    void setCountdownTargetStart(std::optional<platform::Date> start);
    bool showBackToTodayTooltip() const { return m_showBackToTodayTooltip; }
    void setShowBackToTodayTooltip(bool show);
    bool detailPanelHovered() const { return m_detailPanelHovered; }

    // The clock ticks once a second in the last hour before the countdown target, wakes when that
    // hour begins, and otherwise every 60 s.
    void startClock();
    void stopClock();
    bool isClockRunning() const;
    // The clock's next wait, from the countdown target and the current time.
    double clockWait() const;

    void setHovered(const QString& id);
    // Without `immediately`, clears the hover after hoverClearDelay unless the detail card or a row is
    // hovered again by then.
    void clearHover(bool immediately);
    void setDetailPanelHovered(bool hovered);
    bool isHoverClearPending() const;
    // Forgets hover, keyboard detail and attendee expansion, and selects `id`.
    void resetForDayChange(const std::optional<QString>& id);

Q_SIGNALS:
    // Any change a view shows.
    void changed();
    void selectedDayOffsetChanged();
    void nowChanged();

private:
    void armClock();
    void startDelayedHoverClear();
    void cancelHoverClear();

    platform::Clock& m_clock;
    int m_selectedDayOffset = 0;
    std::optional<QString> m_selectedMeetingID;
    std::optional<QString> m_hoveredMeetingID;
    bool m_showDetailFromKeyboard = false;
    DetailPopupSide m_detailPopupSide = DetailPopupSide::trailing;
    bool m_showAllAttendees = false;
    QHash<QString, QRectF> m_meetingRowFrames;
    platform::Date m_now;
    std::optional<platform::Date> m_countdownTargetStart;
    bool m_showBackToTodayTooltip = false;
    bool m_detailPanelHovered = false;
    // The delayed hover clear and the clock loop; stopping a timer cancels its task.
    std::unique_ptr<platform::Timer> m_hoverClearTimer;
    std::optional<QString> m_hoverToClear;
    std::unique_ptr<platform::Timer> m_clockTimer;
    platform::Date m_clockDue;
    bool m_clockRunning = false;
};

} // namespace tolvar
