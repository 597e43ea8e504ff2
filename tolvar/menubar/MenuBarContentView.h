#pragma once

#include "tolvar/menubar/DetailPopupSide.h"
#include "tolvar/menubar/MeetingDisplay.h"
#include "tolvar/menubar/MenuBarInteractionModel.h"
#include "tolvar/menubar/PanelMeetingLists.h"
#include "tolvar/menubar/PanelStyle.h"
#include "tolvar/menubar/PanelTransientHotkeys.h"

#include <QCoro/QCoroTask>
#include <QPointer>
#include <QWidget>
#include <optional>

namespace tolvar {

class AppModel;
class AvailabilitySharePanel;
class BackToTodayTooltip;
class CaughtUpCard;
class DayNavigationBar;
class EmptyDayCard;
class KeyboardLegend;
class MeetingSection;
class PanelFooter;
class PanelHeader;
class TolvarDivider;

// The one view of the tray panel and the Quick Panel: header, day navigation, the day's meetings and
// the footer, 360 points wide and as high as its content. It owns its interaction model; everything
// it shows is recomputed from the application model and that model on every change, and the
// clock runs while the view is shown.
//
// A hosting window sizes itself to the view, forwards the panel keys (handleAction), and shows the
// detail side panel from detailMeeting(), detailTimeLabel(), detailAnchorRect() and the interaction
// model's detailPopupSide() and showAllAttendees() whenever detailChanged() is emitted.
class MenuBarContentView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int mainPanelWidth = PanelStyle::mainPanelWidth;
    static constexpr int detailCardWidth = PanelStyle::detailCardWidth;
    static constexpr int detailGap = PanelStyle::detailGap;

    explicit MenuBarContentView(AppModel& appModel, QWidget* parent = nullptr);
    ~MenuBarContentView() override;

    AppModel& appModel() const { return m_appModel; }
    MenuBarInteractionModel& ui() { return m_ui; }
    const MenuBarInteractionModel& ui() const { return m_ui; }
    // Share opens and closes this panel; without one, Share does nothing.
    void setAvailabilitySharePanel(AvailabilitySharePanel* panel) { m_sharePanel = panel; }
    // Puts `accessory` (the Quick Panel's pin controls) where the header shows the sync status.
    void setHeaderAccessory(QWidget* accessory);

    // Derived values, worked out afresh on every call.
    int maxDayOffset() const;
    PanelMeetingLists meetingLists() const;
    std::optional<MeetingSnapshot> selectedMeeting() const;
    std::optional<MeetingSnapshot> detailMeeting() const;
    QString detailTimeLabel(const MeetingSnapshot& meeting) const;
    // The frame of the detail meeting's card or row in this view's coordinates.
    std::optional<QRectF> detailAnchorRect() const;
    bool isRefreshing() const { return m_isRefreshing; }

    // The panel keys; none wraps around.
    void handleAction(PanelTransientHotkeys::Action action);
    void onEscape();
    void onLeft();
    void onRight();
    void onUp();
    void onDown();
    void onReturn();
    void onMute();
    void onUnmute();
    // A row click or Return: join by the link, else copy the place, else dismiss the reminder.
    void activate(const MeetingSnapshot& meeting);

    // Hooks, run by the view itself when it shows, hides or its inputs change.
    void handleAppear();
    void handleDisappear();
    void updateCountdownTarget();
    void handleDayOffsetChange();
    void reconcileSelection();
    void detailMeetingChanged(const std::optional<QString>& oldID, const std::optional<QString>& newID);
    DetailPopupSide computeDetailPopupSide() const;
    void rowFramesChanged(const QHash<QString, QRectF>& frames);
    void expandAttendees();
    void detailHoverChanged(bool hovering);

    // The footer's actions.
    void refreshAction();
    void shareAction();
    void supportAction();
    void settingsAction();
    void quitAction();

    // The parts, for hosting windows and tests.
    PanelHeader* header() const { return m_header; }
    DayNavigationBar* dayNavigation() const { return m_dayNavigation; }
    MeetingSection* nowSection() const { return m_nowSection; }
    MeetingSection* nextSection() const { return m_nextSection; }
    MeetingSection* upcomingSection() const { return m_upcomingSection; }
    MeetingSection* dayListSection() const { return m_dayListSection; }
    CaughtUpCard* caughtUpCard() const { return m_caughtUpCard; }
    EmptyDayCard* emptyDayCard() const { return m_emptyDayCard; }
    BackToTodayTooltip* backToTodayTooltip() const { return m_tooltip; }
    PanelFooter* footer() const { return m_footer; }

    // Brings every part up to date now; changes call it themselves.
    void rebuild();

Q_SIGNALS:
    // Escape: the hosting window's cancel; the view hides the window right after.
    void cancelRequested();
    // The footer's Quit, just before the application is asked to quit.
    void quitRequested();
    // What the detail side panel shows, or where it stands, changed.
    void detailChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct DetailState
    {
        std::optional<MeetingSnapshot> meeting;
        QString timeLabel;
        bool showAllAttendees = false;
        DetailPopupSide side = DetailPopupSide::trailing;
        std::optional<QRectF> anchor;
        bool operator==(const DetailState&) const = default;
    };

    void rebuildOnce();
    void updateSections(const PanelMeetingLists& lists);
    void runHooks(const PanelMeetingLists& lists);
    MeetingDisplay displayOf(const MeetingSnapshot& meeting) const;
    QList<MeetingDisplay> cards(
        const QList<MeetingSnapshot>& meetings, bool isNow, const PanelMeetingLists& lists) const;
    QList<MeetingDisplay> rows(const QList<MeetingSnapshot>& meetings, const PanelMeetingLists& lists) const;
    std::optional<QRectF> rowFrame(const QString& meetingID) const;
    void step(int direction);
    void rowHoverChanged(const QString& meetingID, bool inside);
    void scheduleRowFrameReport();
    void reportRowFrames();
    QCoro::Task<> runRefresh();

    AppModel& m_appModel;
    MenuBarInteractionModel m_ui;
    AvailabilitySharePanel* m_sharePanel = nullptr;
    bool m_isRefreshing = false;
    bool m_appeared = false;

    PanelHeader* m_header;
    DayNavigationBar* m_dayNavigation;
    KeyboardLegend* m_legend;
    MeetingSection* m_nowSection;
    TolvarDivider* m_nextDivider;
    MeetingSection* m_nextSection;
    CaughtUpCard* m_caughtUpCard;
    TolvarDivider* m_upcomingDivider;
    MeetingSection* m_upcomingSection;
    MeetingSection* m_dayListSection;
    EmptyDayCard* m_emptyDayCard;
    PanelFooter* m_footer;
    BackToTodayTooltip* m_tooltip;

    bool m_rebuilding = false;
    bool m_rebuildAgain = false;
    bool m_frameReportPending = false;
    // What the hooks saw last, to run them when it changes.
    std::optional<QStringList> m_lastNavigableIDs;
    std::optional<QString> m_lastNextID;
    std::optional<QString> m_lastDetailID;
    DetailState m_lastDetail;
};

} // namespace tolvar
