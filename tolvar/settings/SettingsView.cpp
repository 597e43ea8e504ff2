#include "tolvar/settings/SettingsView.h"

#include "platform/text/Localized.h"
#include "platform/time/Clock.h"
#include "tolvar/core/AppModel.h"
#include "tolvar/core/SupportContact.h"
#include "tolvar/settings/AlertsSection.h"
#include "tolvar/settings/AppBadge.h"
#include "tolvar/settings/CalendarsSection.h"
#include "tolvar/settings/GeneralSection.h"
#include "tolvar/settings/MacSettingsCardTitled.h"
#include "tolvar/settings/RemindersSection.h"
#include "tolvar/settings/SegmentedPicker.h"
#include "tolvar/settings/SettingsStyle.h"
#include "tolvar/style/FractionalFont.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

namespace tolvar {

namespace {

constexpr double testMessageSeconds = 4;

} // namespace

QList<SettingsView::Section> SettingsView::allSections()
{
    return { Section::general, Section::calendars, Section::reminders, Section::alerts };
}

QString SettingsView::rawValue(Section section)
{
    switch (section) {
    case Section::general:
        return QStringLiteral("General");
    case Section::calendars:
        return QStringLiteral("Calendars");
    case Section::reminders:
        return QStringLiteral("Reminders");
    case Section::alerts:
        break;
    }
    return QStringLiteral("Alerts");
}

std::optional<SettingsView::Section> SettingsView::sectionFromRawValue(const QString& rawValue)
{
    for (const Section section : allSections()) {
        if (SettingsView::rawValue(section) == rawValue)
            return section;
    }
    return std::nullopt;
}

SettingsView::SettingsView(AppModel& appModel, std::function<void()> showOnboarding, QWidget* parent)
    : QWidget(parent)
    , m_appModel(appModel)
    , m_showOnboarding(std::move(showOnboarding))
{
    setMinimumSize(760, 640);
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(24, 24, 24, 24);
    stack->setSpacing(16);
    stack->addWidget(header());

    QList<QPair<QString, QVariant>> segments;
    for (const Section section : allSections())
        segments.append({ platform::localized(rawValue(section).toUtf8().constData()), int(section) });
    m_sectionPicker = new SegmentedPicker(segments, this);
    m_sectionPicker->setAccessibleName(platform::localized("Settings section"));
    connect(m_sectionPicker, &SegmentedPicker::chosen, this,
        [this](const QVariant& section) { setSelectedSection(Section(section.toInt())); });
    stack->addWidget(m_sectionPicker);
    stack->addWidget(new MacSettingsDivider(this));

    m_pane = new QScrollArea(this);
    m_pane->setWidgetResizable(true);
    m_pane->setFrameShape(QFrame::NoFrame);
    m_pane->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The window's background shows through the pane.
    m_pane->setAutoFillBackground(false);
    m_pane->viewport()->setAutoFillBackground(false);
    stack->addWidget(m_pane, 1);

    m_pane->setWidget(makeSection(m_selectedSection));
    m_pane->widget()->setAutoFillBackground(false);
    m_sectionPicker->setValue(int(m_selectedSection));
}

QWidget* SettingsView::header()
{
    auto* header = new QWidget(this);
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    row->addWidget(new AppBadge(30, 7, 17, header));
    auto* titles = new QVBoxLayout;
    titles->setSpacing(2);
    titles->addWidget(
        settingsStyle::label(platform::localized("Tolvar"), settingsStyle::font(22, QFont::DemiBold), false, header));
    titles->addWidget(
        settingsStyle::label(platform::localized("Fullscreen meeting reminders for the calendars you choose."),
            FractionalFont::overlay(12.5, QFont::Normal), true, header));
    row->addLayout(titles);
    row->addStretch(1);
    auto* support = new QPushButton(platform::localized("Support"), header);
    connect(support, &QPushButton::clicked, this, &SettingsView::openSupport);
    row->addWidget(support);
    auto* onboarding = new QPushButton(platform::localized("Open Onboarding"), header);
    connect(onboarding, &QPushButton::clicked, this, &SettingsView::openOnboarding);
    row->addWidget(onboarding);
    return header;
}

QWidget* SettingsView::makeSection(Section section)
{
    QWidget* view = nullptr;
    switch (section) {
    case Section::general:
        view = new GeneralSection(m_appModel);
        break;
    case Section::calendars:
        view = new CalendarsSection(m_appModel);
        break;
    case Section::reminders:
        view = new RemindersSection(m_appModel);
        break;
    case Section::alerts:
        view = new AlertsSection(m_appModel, *this);
        break;
    }
    // Cards from the top, 24 below the last; the column takes the pane's full width.
    auto* column = new QWidget;
    auto* stack = new QVBoxLayout(column);
    stack->setContentsMargins(0, 0, 0, 24);
    stack->addWidget(view);
    stack->addStretch(1);
    m_sectionView = view;
    return column;
}

void SettingsView::setSelectedSection(Section section)
{
    m_sectionPicker->setValue(int(section));
    if (section == m_selectedSection)
        return;
    m_selectedSection = section;
    // The old section may be the sender of this change: it goes once its signal has returned.
    QWidget* old = m_pane->takeWidget();
    if (old) {
        old->hide();
        old->deleteLater();
    }
    m_pane->setWidget(makeSection(section));
    m_pane->widget()->setAutoFillBackground(false);
}

void SettingsView::showTestMessage(const QString& message)
{
    m_testMeetingMessage = message;
    const QUuid token = QUuid::createUuid();
    m_messageToken = token;
    Q_EMIT testMeetingMessageChanged();
    m_appModel.clock().singleShot(testMessageSeconds, this, [this, token] {
        // A newer message has its own timer and its full 4 seconds.
        if (m_messageToken != token)
            return;
        m_testMeetingMessage.reset();
        Q_EMIT testMeetingMessageChanged();
    });
}

void SettingsView::createTestMeeting(TestMeetingKind kind)
{
    m_appModel.createTestMeeting(kind);
    showTestMessage(platform::localized("Test meeting created — reminder in 30s."));
}

void SettingsView::createConflictTest()
{
    m_appModel.createConflictTestMeetings();
    showTestMessage(platform::localized("Conflict test meetings created — reminder in 30s."));
}

void SettingsView::openSupport()
{
    openSupportChat(m_appModel.workspace());
}

void SettingsView::openOnboarding()
{
    if (m_showOnboarding)
        m_showOnboarding();
}

void SettingsView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_refreshedOnShow)
        return;
    m_refreshedOnShow = true;
    m_appModel.refresh();
}

void SettingsView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), settingsStyle::windowBackground());
}

} // namespace tolvar
