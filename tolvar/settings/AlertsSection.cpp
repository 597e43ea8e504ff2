#include "tolvar/settings/AlertsSection.h"

#include "platform/text/Localized.h"
#include "tolvar/core/AppModel.h"
#include "tolvar/settings/HourPicker.h"
#include "tolvar/settings/MacSettingsCardTitled.h"
#include "tolvar/settings/SegmentedPicker.h"
#include "tolvar/settings/SettingsStyle.h"
#include "tolvar/settings/SettingsView.h"
#include "tolvar/settings/SymbolView.h"
#include "tolvar/style/BorderedButton.h"

#include <QCheckBox>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvar {

namespace {

QList<QPair<QString, QVariant>> reminderLeadOptions()
{
    return { { platform::localized("10 seconds"), 10.0 }, { platform::localized("30 seconds"), 30.0 },
        { platform::localized("1 minute"), 60.0 }, { platform::localized("2 minutes"), 120.0 },
        { platform::localized("3 minutes"), 180.0 }, { platform::localized("5 minutes"), 300.0 } };
}

QList<QPair<QString, QVariant>> autoDismissOptions()
{
    return { { platform::localized("1 minute"), 60.0 }, { platform::localized("3 minutes"), 180.0 },
        { platform::localized("5 minutes"), 300.0 } };
}

// A toggle over its footnote, 4 apart.
QWidget* withFootnote(QCheckBox* toggle, const char* footnote, QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* stack = new QVBoxLayout(box);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(4);
    toggle->setParent(box);
    stack->addWidget(toggle);
    stack->addWidget(settingsStyle::caption(platform::localized(footnote), box));
    return box;
}

} // namespace

AlertsSection::AlertsSection(AppModel& appModel, SettingsView& settingsView, QWidget* parent)
    : QWidget(parent)
    , m_appModel(appModel)
    , m_settingsView(settingsView)
{
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(16);
    column->addWidget(fullscreenReminderCard());
    column->addWidget(quietHoursCard());
    column->addWidget(screenSharingCard());
    column->addWidget(testRemindersCard());

    connect(&appModel, &AppModel::changed, this, &AlertsSection::refresh);
    connect(&settingsView, &SettingsView::testMeetingMessageChanged, this, &AlertsSection::refresh);
    refresh();
}

QCheckBox* AlertsSection::toggle(const char* title, QWidget* parent, std::function<void(bool)> write)
{
    auto* made = new QCheckBox(platform::localized(title), parent);
    // Every toggle shows the model's value after its write, whatever the model made of it.
    connect(made, &QCheckBox::clicked, this, [this, write = std::move(write)](bool checked) {
        write(checked);
        refresh();
    });
    return made;
}

QWidget* AlertsSection::fullscreenReminderCard()
{
    auto* card = new MacSettingsCardTitled(
        "Fullscreen Reminder", QStringLiteral("rectangle.inset.filled"), std::nullopt, QColor(), this);
    card->body().setSpacing(14);
    m_remindBefore = new SegmentedPicker(reminderLeadOptions());
    connect(m_remindBefore, &SegmentedPicker::chosen, this, [this](const QVariant& seconds) {
        m_appModel.setReminderLeadSeconds(seconds.toDouble());
        refresh();
    });
    card->body().addWidget(segmentedPickerRow("Remind before", m_remindBefore, card));
    m_autoDismiss = new SegmentedPicker(autoDismissOptions());
    connect(m_autoDismiss, &SegmentedPicker::chosen, this, [this](const QVariant& seconds) {
        m_appModel.setOverlayAutoDismissSeconds(seconds.toDouble());
        refresh();
    });
    card->body().addWidget(segmentedPickerRow("Auto dismiss overlay", m_autoDismiss, card));

    m_joinLinkOnly = toggle("Only remind meetings with a join link", card,
        [this](bool on) { m_appModel.setOnlyRemindMeetingsWithJoinLink(on); });
    card->body().addWidget(
        withFootnote(m_joinLinkOnly, "Leave off to keep reminders for in-person meetings and room locations.", card));
    m_dismissOnJoin = toggle(
        "Dismiss when joining from the menu bar", card, [this](bool on) { m_appModel.setDismissOnMenuBarJoin(on); });
    card->body().addWidget(withFootnote(m_dismissOnJoin,
        "On: joining from the menu bar marks the meeting handled, so it won't fire the fullscreen reminder. Off: the "
        "overlay still fires at the meeting time even if you joined early — safer if you tend to click Join ahead of "
        "time and then get distracted. Joining from the fullscreen reminder always dismisses.",
        card));
    m_actionItems = toggle("Remind me to capture action items after meetings", card,
        [this](bool on) { m_appModel.setShowActionItemAlertAfterMeeting(on); });
    card->body().addWidget(withFootnote(m_actionItems,
        "When you join a meeting through Tolvar, an alert appears after it ends so you can jot down action items and "
        "copy them.",
        card));
    return card;
}

QWidget* AlertsSection::quietHoursCard()
{
    auto* card = new MacSettingsCardTitled("Quiet Hours", QStringLiteral("moon.fill"), std::nullopt, QColor(), this);
    card->body().setSpacing(14);
    m_quietHours = toggle(
        "Mute fullscreen reminders during quiet hours", card, [this](bool on) { m_appModel.setQuietHoursEnabled(on); });
    card->body().addWidget(m_quietHours);

    m_quietHoursPickers = new QWidget(card);
    auto* pickers = new QHBoxLayout(m_quietHoursPickers);
    pickers->setContentsMargins(0, 0, 0, 0);
    pickers->setSpacing(16);
    m_quietStart = new HourPicker;
    m_quietEnd = new HourPicker;
    pickers->addWidget(titledHourPicker("Start", m_quietStart, m_quietHoursPickers));
    pickers->addWidget(titledHourPicker("End", m_quietEnd, m_quietHoursPickers));
    pickers->addStretch(1);
    m_quietHoursPickers->setGraphicsEffect(new QGraphicsOpacityEffect(m_quietHoursPickers));
    connect(m_quietStart, &HourPicker::hourChosen, this, [this](int hour) {
        m_appModel.setQuietHoursStartHour(hour);
        refresh();
    });
    connect(m_quietEnd, &HourPicker::hourChosen, this, [this](int hour) {
        m_appModel.setQuietHoursEndHour(hour);
        refresh();
    });
    card->body().addWidget(m_quietHoursPickers);
    return card;
}

QWidget* AlertsSection::screenSharingCard()
{
    auto* card = new MacSettingsCardTitled(
        "Screen Sharing", QStringLiteral("rectangle.on.rectangle.angled"), std::nullopt, QColor(), this);
    card->body().setSpacing(8);
    m_screenShare = toggle("Hide reminder overlay during screen share", card,
        [this](bool on) { m_appModel.setHideOverlayDuringScreenShare(on); });
    card->body().addWidget(m_screenShare);
    card->body().addWidget(settingsStyle::caption(
        platform::localized("When enabled, the fullscreen reminder stays visible to you but is hidden from people "
                            "viewing your shared screen — they see your slides instead of the reminder. Supported by "
                            "Zoom, Meet, Teams and most recording apps."),
        card));
    return card;
}

QWidget* AlertsSection::testRemindersCard()
{
    auto* card
        = new MacSettingsCardTitled("Test Reminders", QStringLiteral("hammer.fill"), std::nullopt, QColor(), this);
    card->body().setSpacing(12);
    card->body().addWidget(settingsStyle::caption(
        platform::localized("Create a 30-second test meeting to preview the reminder overlay."), card));

    auto* kinds = new QHBoxLayout;
    kinds->setSpacing(8);
    for (const TestMeetingKind kind : allTestMeetingKinds()) {
        auto* button = new QPushButton(title(kind), card);
        connect(button, &QPushButton::clicked, this, [this, kind] { m_settingsView.createTestMeeting(kind); });
        kinds->addWidget(button);
        m_testButtons.insert(kind, button);
    }
    kinds->addStretch(1);
    card->body().addLayout(kinds);

    auto* actions = new QHBoxLayout;
    actions->setSpacing(10);
    m_conflictTest = new QPushButton(platform::localized("Create 30s Conflict Test"), card);
    connect(m_conflictTest, &QPushButton::clicked, this, [this] { m_settingsView.createConflictTest(); });
    m_fullscreenTest = new BorderedButton(
        platform::localized("Show Fullscreen Test"), BorderedButton::Style::borderedProminent, card);
    connect(m_fullscreenTest, &QPushButton::clicked, &m_appModel, &AppModel::showFullscreenTest);
    actions->addWidget(m_conflictTest);
    actions->addWidget(m_fullscreenTest);
    actions->addStretch(1);
    card->body().addLayout(actions);

    m_testMessage = new QWidget(card);
    auto* message = new QHBoxLayout(m_testMessage);
    message->setContentsMargins(0, 0, 0, 0);
    message->setSpacing(4);
    message->addWidget(
        new SymbolView(QStringLiteral("checkmark.circle.fill"), 12, settingsStyle::green(), m_testMessage));
    m_testMessageText = settingsStyle::label(QString(), settingsStyle::captionFont(), false, m_testMessage);
    QPalette palette = m_testMessageText->palette();
    palette.setColor(QPalette::WindowText, settingsStyle::green());
    m_testMessageText->setPalette(palette);
    message->addWidget(m_testMessageText, 1);
    card->body().addWidget(m_testMessage);
    m_testMessage->hide();
    auto* opacity = new QGraphicsOpacityEffect(m_testMessage);
    m_testMessage->setGraphicsEffect(opacity);
    m_testMessageFade = new QPropertyAnimation(opacity, "opacity", this);
    m_testMessageFade->setDuration(200);
    m_testMessageFade->setEasingCurve(QEasingCurve::OutCubic);
    connect(m_testMessageFade, &QPropertyAnimation::finished, this, [this] {
        if (!m_settingsView.testMeetingMessage())
            m_testMessage->hide();
    });
    return card;
}

void AlertsSection::refresh()
{
    m_remindBefore->setValue(m_appModel.reminderLeadSeconds());
    m_autoDismiss->setValue(m_appModel.overlayAutoDismissSeconds());
    m_joinLinkOnly->setChecked(m_appModel.onlyRemindMeetingsWithJoinLink());
    m_dismissOnJoin->setChecked(m_appModel.dismissOnMenuBarJoin());
    m_actionItems->setChecked(m_appModel.showActionItemAlertAfterMeeting());
    const bool quiet = m_appModel.quietHoursEnabled();
    m_quietHours->setChecked(quiet);
    m_quietHoursPickers->setEnabled(quiet);
    static_cast<QGraphicsOpacityEffect*>(m_quietHoursPickers->graphicsEffect())->setOpacity(quiet ? 1.0 : 0.5);
    m_quietStart->setHour(m_appModel.quietHoursStartHour());
    m_quietEnd->setHour(m_appModel.quietHoursEndHour());
    m_screenShare->setChecked(m_appModel.hideOverlayDuringScreenShare());
    m_fullscreenTest->setEnabled(m_appModel.nextUpcomingMeeting().has_value());
    showTestMessage(m_settingsView.testMeetingMessage());
}

void AlertsSection::showTestMessage(const std::optional<QString>& message)
{
    // The line fades in and out; its text changes at once.
    const bool shown = !m_testMessage->isHidden() && m_testMessageFade->endValue().toReal() > 0;
    if (message)
        m_testMessageText->setText(*message);
    if (message.has_value() == shown)
        return;
    if (message)
        m_testMessage->show();
    m_testMessageFade->stop();
    m_testMessageFade->setStartValue(message ? 0.0 : 1.0);
    m_testMessageFade->setEndValue(message ? 1.0 : 0.0);
    m_testMessageFade->start();
}

QString AlertsSection::shownTestMessage() const
{
    // The text while it is shown or fading in, not while it fades out.
    return m_testMessage->isHidden() || m_testMessageFade->endValue().toReal() == 0 ? QString()
                                                                                    : m_testMessageText->text();
}

} // namespace tolvar
