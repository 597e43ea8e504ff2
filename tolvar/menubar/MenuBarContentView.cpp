#include "tolvar/menubar/MenuBarContentView.h"

#include "platform/text/Localized.h"
#include "tolvar/core/AppModel.h"
#include "tolvar/core/SupportContact.h"
#include "tolvar/menubar/AvailabilitySharePanel.h"
#include "tolvar/menubar/BackToTodayTooltip.h"
#include "tolvar/menubar/CaughtUpCard.h"
#include "tolvar/menubar/DayNavBackToTodayTitle.h"
#include "tolvar/menubar/DayNavigationBar.h"
#include "tolvar/menubar/EmptyDayCard.h"
#include "tolvar/menubar/KeyboardLegend.h"
#include "tolvar/menubar/MeetingSection.h"
#include "tolvar/menubar/PanelFooter.h"
#include "tolvar/menubar/PanelHeader.h"
#include "tolvar/menubar/PanelLabels.h"
#include "tolvar/menubar/PanelStyle.h"
#include "tolvar/menubar/TolvarDivider.h"
#include "tolvar/model/MeetingLinks.h"
#include "tolvar/style/Palette.h"

#include <QApplication>
#include <QClipboard>
#include <QEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

namespace tolvar {

namespace {
// The application's key window, else its first visible window.
QWidget* keyOrFirstVisibleWindow()
{
    if (QWidget* active = QApplication::activeWindow())
        return active;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible())
            return window;
    }
    return nullptr;
}
} // namespace

MenuBarContentView::MenuBarContentView(AppModel& appModel, QWidget* parent)
    : QWidget(parent)
    , m_appModel(appModel)
    , m_ui(appModel.clock())
    , m_header(new PanelHeader(this))
    , m_dayNavigation(new DayNavigationBar(m_ui, this))
    , m_legend(new KeyboardLegend(this))
    , m_nowSection(new MeetingSection(MeetingSection::Style::nowCards, 8, this))
    , m_nextDivider(new TolvarDivider(this))
    , m_nextSection(new MeetingSection(MeetingSection::Style::nextCards, 8, this))
    , m_caughtUpCard(new CaughtUpCard(this))
    , m_upcomingDivider(new TolvarDivider(this))
    , m_upcomingSection(new MeetingSection(MeetingSection::Style::rows, 6, this))
    , m_dayListSection(new MeetingSection(MeetingSection::Style::rows, 8, this))
    , m_emptyDayCard(new EmptyDayCard(this))
    , m_footer(new PanelFooter(this))
    , m_tooltip(new BackToTodayTooltip(this))
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(16, 14, 16, 14);
    column->setSpacing(14);
    // As high as the content, and exactly the panel's width.
    column->setSizeConstraint(QLayout::SetFixedSize);
    for (QWidget* part : std::initializer_list<QWidget*> { m_header, m_dayNavigation, m_legend, m_nowSection,
             m_nextDivider, m_nextSection, m_caughtUpCard, m_upcomingDivider, m_upcomingSection, m_dayListSection,
             m_emptyDayCard, m_footer })
        column->addWidget(part);
    m_tooltip->hide();

    const Palette& palette = Palette::shared();
    m_nowSection->setTitle(QStringLiteral("● ") + platform::localized("NOW"), palette.teal);
    m_nextSection->setTitle(platform::localized("NEXT"), palette.amber);
    m_upcomingSection->setTitle(platform::localized("UPCOMING"), PanelStyle::white(0.5));

    for (MeetingSection* section : { m_nowSection, m_nextSection, m_upcomingSection, m_dayListSection }) {
        connect(section, &MeetingSection::activated, this, &MenuBarContentView::activate);
        connect(section, &MeetingSection::hoverChanged, this, &MenuBarContentView::rowHoverChanged);
        connect(section, &MeetingSection::itemGeometryChanged, this, &MenuBarContentView::scheduleRowFrameReport);
        section->installEventFilter(this);
    }
    connect(m_dayNavigation, &DayNavigationBar::previousDay, this, &MenuBarContentView::onLeft);
    connect(m_dayNavigation, &DayNavigationBar::nextDay, this, &MenuBarContentView::onRight);
    connect(m_footer, &PanelFooter::refreshClicked, this, &MenuBarContentView::refreshAction);
    connect(m_footer, &PanelFooter::shareClicked, this, &MenuBarContentView::shareAction);
    connect(m_footer, &PanelFooter::supportClicked, this, &MenuBarContentView::supportAction);
    connect(m_footer, &PanelFooter::settingsClicked, this, &MenuBarContentView::settingsAction);
    connect(m_footer, &PanelFooter::quitClicked, this, &MenuBarContentView::quitAction);

    connect(&m_appModel, &AppModel::changed, this, &MenuBarContentView::rebuild);
    connect(&m_ui, &MenuBarInteractionModel::changed, this, &MenuBarContentView::rebuild);
    connect(
        &m_ui, &MenuBarInteractionModel::selectedDayOffsetChanged, this, &MenuBarContentView::handleDayOffsetChange);
    rebuild();
}

MenuBarContentView::~MenuBarContentView()
{
    // The parts go before the model they hold a reference to.
    disconnect(&m_ui, nullptr, this, nullptr);
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

void MenuBarContentView::setHeaderAccessory(QWidget* accessory)
{
    m_header->setAccessory(accessory);
}

int MenuBarContentView::maxDayOffset() const
{
    return PanelMeetingLists::maxDayOffset(m_appModel.forwardDays());
}

PanelMeetingLists MenuBarContentView::meetingLists() const
{
    return PanelMeetingLists::make(m_appModel, m_ui);
}

std::optional<MeetingSnapshot> MenuBarContentView::selectedMeeting() const
{
    return meetingLists().navigableMeeting(m_ui.selectedMeetingID());
}

std::optional<MeetingSnapshot> MenuBarContentView::detailMeeting() const
{
    return meetingLists().detailMeeting(m_ui);
}

QString MenuBarContentView::detailTimeLabel(const MeetingSnapshot& meeting) const
{
    return meetingLists().detailTimeLabel(meeting);
}

std::optional<QRectF> MenuBarContentView::detailAnchorRect() const
{
    const auto meeting = detailMeeting();
    return meeting ? rowFrame(meeting->id) : std::nullopt;
}

std::optional<QRectF> MenuBarContentView::rowFrame(const QString& meetingID) const
{
    const auto frame = m_ui.meetingRowFrames().constFind(meetingID);
    if (frame == m_ui.meetingRowFrames().constEnd())
        return std::nullopt;
    return *frame;
}

void MenuBarContentView::handleAction(PanelTransientHotkeys::Action action)
{
    using Action = PanelTransientHotkeys::Action;
    switch (action) {
    case Action::escape:
        return onEscape();
    case Action::left:
        return onLeft();
    case Action::right:
        return onRight();
    case Action::up:
        return onUp();
    case Action::down:
        return onDown();
    case Action::returnKey:
        return onReturn();
    case Action::mute:
        return onMute();
    case Action::unmute:
        return onUnmute();
    }
}

void MenuBarContentView::onEscape()
{
    Q_EMIT cancelRequested();
    QWidget* panel = window();
    if (panel->isVisible())
        panel->hide();
    if (panel->isVisible())
        panel->close();
}

void MenuBarContentView::onLeft()
{
    if (m_ui.selectedDayOffset() >= 1)
        m_ui.setSelectedDayOffset(m_ui.selectedDayOffset() - 1);
}

void MenuBarContentView::onRight()
{
    if (m_ui.selectedDayOffset() < maxDayOffset())
        m_ui.setSelectedDayOffset(m_ui.selectedDayOffset() + 1);
}

void MenuBarContentView::onUp()
{
    step(-1);
}

void MenuBarContentView::onDown()
{
    step(1);
}

void MenuBarContentView::step(int direction)
{
    const QStringList ids = meetingLists().navigableIDs();
    if (ids.isEmpty())
        return;
    m_ui.setShowDetailFromKeyboard(true);
    const qsizetype index = m_ui.selectedMeetingID() ? ids.indexOf(*m_ui.selectedMeetingID()) : -1;
    if (index < 0) {
        m_ui.setSelectedMeetingID(ids.first());
        return;
    }
    m_ui.setSelectedMeetingID(ids[std::clamp(index + direction, qsizetype(0), ids.size() - 1)]);
}

void MenuBarContentView::onReturn()
{
    if (const auto meeting = selectedMeeting())
        activate(*meeting);
}

void MenuBarContentView::onMute()
{
    if (const auto meeting = selectedMeeting())
        m_appModel.muteReminder(*meeting);
}

void MenuBarContentView::onUnmute()
{
    if (const auto meeting = selectedMeeting(); meeting && m_appModel.isReminderMuted(*meeting))
        m_appModel.unmuteReminder(*meeting);
}

void MenuBarContentView::activate(const MeetingSnapshot& meeting)
{
    m_ui.setSelectedMeetingID(meeting.id);
    if (meeting.joinURL) {
        m_appModel.join(meeting);
    } else if (const auto place = physicalLocationText(meeting.location)) {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setText(*place);
    } else {
        m_appModel.dismissReminder(meeting);
    }
}

void MenuBarContentView::handleAppear()
{
    m_appeared = true;
    updateCountdownTarget();
    m_ui.startClock();
    reconcileSelection();
}

void MenuBarContentView::handleDisappear()
{
    m_appeared = false;
    m_ui.stopClock();
}

void MenuBarContentView::updateCountdownTarget()
{
    std::optional<platform::Date> target;
    if (m_ui.selectedDayOffset() == 0) {
        if (const auto next = meetingLists().next)
            target = next->startDate;
    }
    m_ui.setCountdownTargetStart(target);
}

void MenuBarContentView::handleDayOffsetChange()
{
    const QStringList ids = meetingLists().navigableIDs();
    m_ui.resetForDayChange(ids.isEmpty() ? std::nullopt : std::optional(ids.first()));
    updateCountdownTarget();
}

void MenuBarContentView::reconcileSelection()
{
    const QStringList ids = meetingLists().navigableIDs();
    if (m_ui.selectedMeetingID() && ids.contains(*m_ui.selectedMeetingID()))
        return;
    m_ui.setSelectedMeetingID(ids.isEmpty() ? std::nullopt : std::optional(ids.first()));
}

void MenuBarContentView::detailMeetingChanged(const std::optional<QString>& oldID, const std::optional<QString>& newID)
{
    if (oldID == newID)
        return;
    if (newID && !oldID)
        m_ui.setDetailPopupSide(computeDetailPopupSide());
    m_ui.setShowAllAttendees(false);
}

DetailPopupSide MenuBarContentView::computeDetailPopupSide() const
{
    return detailPopupSide(keyOrFirstVisibleWindow(), detailCardWidth + detailGap);
}

void MenuBarContentView::rowFramesChanged(const QHash<QString, QRectF>& frames)
{
    m_ui.setMeetingRowFrames(frames);
}

void MenuBarContentView::expandAttendees()
{
    m_ui.setShowAllAttendees(true);
}

void MenuBarContentView::detailHoverChanged(bool hovering)
{
    m_ui.setDetailPanelHovered(hovering);
}

void MenuBarContentView::refreshAction()
{
    if (m_isRefreshing)
        return;
    m_isRefreshing = true;
    runRefresh();
}

QCoro::Task<> MenuBarContentView::runRefresh()
{
    QPointer<MenuBarContentView> self(this);
    co_await m_appModel.refresh();
    if (self)
        self->m_isRefreshing = false;
}

void MenuBarContentView::shareAction()
{
    if (!m_sharePanel)
        return;
    QWidget* anchor = keyOrFirstVisibleWindow();
    if (m_sharePanel->isOpen())
        m_sharePanel->close();
    else
        m_sharePanel->show(anchor, m_appModel.meetings(), m_appModel.effectiveHideOverlayDuringScreenShare());
}

void MenuBarContentView::supportAction()
{
    openSupportChat(m_appModel.workspace());
}

void MenuBarContentView::settingsAction()
{
    if (const auto showSettings = m_appModel.showSettingsHandler())
        showSettings();
}

void MenuBarContentView::quitAction()
{
    Q_EMIT quitRequested();
    QCoreApplication::quit();
}

void MenuBarContentView::rowHoverChanged(const QString& meetingID, bool inside)
{
    if (inside)
        m_ui.setHovered(meetingID);
    else if (m_ui.hoveredMeetingID() == meetingID)
        m_ui.clearHover(false);
    // Leaving one row for the next must not clear the newcomer.
}

void MenuBarContentView::rebuild()
{
    // Hooks change the interaction model, which asks for another pass; run it after this one.
    if (m_rebuilding) {
        m_rebuildAgain = true;
        return;
    }
    m_rebuilding = true;
    int passes = 0;
    do {
        m_rebuildAgain = false;
        rebuildOnce();
    } while (m_rebuildAgain && ++passes < 8);
    m_rebuilding = false;
}

void MenuBarContentView::rebuildOnce()
{
    const PanelMeetingLists lists = meetingLists();
    updateSections(lists);
    runHooks(lists);
}

MeetingDisplay MenuBarContentView::displayOf(const MeetingSnapshot& meeting) const
{
    MeetingDisplay display;
    display.meeting = meeting;
    display.selected = m_ui.selectedMeetingID() == meeting.id;
    display.muted = m_appModel.isReminderMuted(meeting);
    return display;
}

QList<MeetingDisplay> MenuBarContentView::cards(
    const QList<MeetingSnapshot>& meetings, bool isNow, const PanelMeetingLists& lists) const
{
    QList<MeetingDisplay> displays;
    for (const MeetingSnapshot& meeting : meetings) {
        MeetingDisplay display = displayOf(meeting);
        display.countdown = PanelLabels::countdownLabel(meeting, m_ui.now(), lists.today);
        display.timeRange = PanelLabels::timeRangeLabel(meeting);
        display.upcoming = !isNow && meeting.startDate > m_ui.now();
        displays.append(display);
    }
    return displays;
}

QList<MeetingDisplay> MenuBarContentView::rows(
    const QList<MeetingSnapshot>& meetings, const PanelMeetingLists& lists) const
{
    QList<MeetingDisplay> displays;
    for (const MeetingSnapshot& meeting : meetings) {
        MeetingDisplay display = displayOf(meeting);
        display.timeText = lists.detailTimeLabel(meeting);
        displays.append(display);
    }
    return displays;
}

void MenuBarContentView::updateSections(const PanelMeetingLists& lists)
{
    const bool today = m_ui.selectedDayOffset() == 0;
    const QString dayTitle = PanelLabels::dayLabel(lists.selectedDate, lists.today);
    m_header->setSyncStatus(m_appModel.syncStatus());
    m_dayNavigation->setDay(m_ui.selectedDayOffset(), maxDayOffset(), dayTitle);

    const bool showNow = today && !lists.current.isEmpty();
    m_nowSection->setVisible(showNow);
    if (showNow)
        m_nowSection->setMeetings(cards(lists.current, true, lists));
    const bool showNext = today && lists.next.has_value();
    m_nextDivider->setVisible(showNext && showNow);
    m_nextSection->setVisible(showNext);
    if (showNext)
        m_nextSection->setMeetings(cards({ *lists.next }, false, lists));
    m_caughtUpCard->setVisible(today && lists.current.isEmpty() && !lists.next);
    const bool showUpcoming = today && !lists.upcoming.isEmpty();
    m_upcomingDivider->setVisible(showUpcoming);
    m_upcomingSection->setVisible(showUpcoming);
    if (showUpcoming)
        m_upcomingSection->setMeetings(rows(lists.upcoming, lists));

    const bool showDayList = !today && !lists.selectedDay.isEmpty();
    m_dayListSection->setVisible(showDayList);
    if (showDayList) {
        m_dayListSection->setTitle(
            platform::localizedFormat("%@ · %d %@",
                { dayTitle.toUpper(), QString::number(lists.selectedDay.size()), platform::localized("EVT") }),
            PanelStyle::white(0.5));
        m_dayListSection->setMeetings(rows(lists.selectedDay, lists));
    }
    m_emptyDayCard->setVisible(!today && lists.selectedDay.isEmpty());
    m_emptyDayCard->setDayLabel(dayTitle);

    const bool showTooltip = !today && m_ui.showBackToTodayTooltip();
    if (showTooltip) {
        DayNavBackToTodayTitle* title = m_dayNavigation->backToTodayTitle();
        m_tooltip->placeOver(QRect(title->mapTo(this, QPoint(0, 0)), title->size()));
    }
    m_tooltip->setVisible(showTooltip);
}

void MenuBarContentView::runHooks(const PanelMeetingLists& lists)
{
    const std::optional<QString> nextID = lists.next ? std::optional(lists.next->id) : std::nullopt;
    if (nextID != m_lastNextID) {
        m_lastNextID = nextID;
        updateCountdownTarget();
    }
    const QStringList ids = lists.navigableIDs();
    if (ids != m_lastNavigableIDs) {
        m_lastNavigableIDs = ids;
        reconcileSelection();
    }
    const std::optional<MeetingSnapshot> detail = lists.detailMeeting(m_ui);
    const std::optional<QString> detailID = detail ? std::optional(detail->id) : std::nullopt;
    if (detailID != m_lastDetailID) {
        const std::optional<QString> oldID = m_lastDetailID;
        m_lastDetailID = detailID;
        detailMeetingChanged(oldID, detailID);
    }

    DetailState state;
    state.meeting = detail;
    if (detail) {
        state.timeLabel = lists.detailTimeLabel(*detail);
        state.anchor = rowFrame(detail->id);
    }
    state.showAllAttendees = m_ui.showAllAttendees();
    state.side = m_ui.detailPopupSide();
    // Anything the side panel shows counts, not only which meeting it is.
    if (state != m_lastDetail) {
        m_lastDetail = state;
        Q_EMIT detailChanged();
    }
}

void MenuBarContentView::scheduleRowFrameReport()
{
    if (m_frameReportPending)
        return;
    m_frameReportPending = true;
    QTimer::singleShot(0, this, &MenuBarContentView::reportRowFrames);
}

void MenuBarContentView::reportRowFrames()
{
    m_frameReportPending = false;
    QHash<QString, QRectF> frames;
    for (const MeetingSection* section : { m_nowSection, m_nextSection, m_upcomingSection, m_dayListSection }) {
        if (section->isVisibleTo(this))
            frames.insert(section->itemFrames(this));
    }
    rowFramesChanged(frames);
}

bool MenuBarContentView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize || event->type() == QEvent::Show
        || event->type() == QEvent::Hide)
        scheduleRowFrameReport();
    return QWidget::eventFilter(watched, event);
}

void MenuBarContentView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_appeared)
        handleAppear();
    scheduleRowFrameReport();
    // The window took its card down when it hid; a selection kept from the last showing brings it back,
    // on the side with room where the window stands now.
    if (detailMeeting())
        m_ui.setDetailPopupSide(detailPopupSide(window(), detailCardWidth + detailGap));
    Q_EMIT detailChanged();
}

void MenuBarContentView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (m_appeared)
        handleDisappear();
}

void MenuBarContentView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const Palette& palette = Palette::shared();
    QLinearGradient gradient(0, 0, 0, height());
    gradient.setColorAt(0, palette.backgroundTop);
    gradient.setColorAt(1, palette.backgroundBottom);
    painter.fillRect(rect(), gradient);
}

} // namespace tolvar
