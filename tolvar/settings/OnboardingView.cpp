#include "tolvar/settings/OnboardingView.h"

#include "platform/text/Localized.h"
#include "tolvar/core/AppModel.h"
#include "tolvar/settings/AppBadge.h"
#include "tolvar/settings/MacSettingsCardTitled.h"
#include "tolvar/settings/SettingsStyle.h"
#include "tolvar/settings/SourceToggleList.h"
#include "tolvar/settings/SymbolView.h"
#include "tolvar/style/BorderedButton.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>

namespace tolvar {

namespace {

// A note with its symbol on a rounded panel tinted with the note's colour.
class Note : public QWidget
{
public:
    Note(const QString& symbol, const QString& text, const QColor& tint, const QColor& textColor, qreal fill,
        qreal outline, QWidget* parent)
        : QWidget(parent)
        , m_tint(tint)
        , m_fill(fill)
        , m_outline(outline)
    {
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(12, 12, 12, 12);
        row->setSpacing(8);
        row->addWidget(new SymbolView(symbol, 15, textColor, this), 0, Qt::AlignTop);
        QLabel* label = settingsStyle::label(text, settingsStyle::font(13, QFont::Medium), false, this);
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, textColor);
        label->setPalette(palette);
        row->addWidget(label, 1);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor fill = m_tint;
        fill.setAlphaF(m_fill);
        QColor outline = m_tint;
        outline.setAlphaF(m_outline);
        painter.setPen(QPen(outline, 1));
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    }

private:
    QColor m_tint;
    qreal m_fill;
    qreal m_outline;
};

// A step's progress dot: accent when complete, a grey ring when not.
class StepDot : public QWidget
{
public:
    explicit StepDot(QWidget* parent)
        : QWidget(parent)
    {
        setFixedSize(12, 12);
    }

    void setComplete(bool complete)
    {
        m_complete = complete;
        setAccessibleName(complete ? platform::localized("Step complete") : platform::localized("Step incomplete"));
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor fill = m_complete ? settingsStyle::accent() : settingsStyle::separator();
        QColor ring = settingsStyle::separator();
        if (!m_complete) {
            fill.setAlphaF(fill.alphaF() * 0.55);
            ring.setAlphaF(ring.alphaF() * 0.8);
        } else {
            ring.setAlphaF(0);
        }
        painter.setPen(QPen(ring, 1));
        painter.setBrush(fill);
        painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }

private:
    bool m_complete = false;
};

} // namespace

OnboardingView::OnboardingView(AppModel& appModel, std::function<void()> onFinish, QWidget* parent)
    : QWidget(parent)
    , m_appModel(appModel)
    , m_onFinish(std::move(onFinish))
{
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(28, 28, 28, 28);
    stack->setSpacing(22);
    stack->addWidget(header());

    auto* progress = new QHBoxLayout;
    progress->setSpacing(8);
    for (QWidget*& dot : m_dots) {
        dot = new StepDot(this);
        progress->addWidget(dot);
    }
    progress->addStretch(1);
    stack->addLayout(progress);

    m_stepOne
        = new MacSettingsCardTitled("Choose calendars to watch", QStringLiteral("calendar"), QString(), QColor(), this);
    m_stepOne->body().addWidget(stepOneContent());
    stack->addWidget(m_stepOne);
    m_stepTwo = new MacSettingsCardTitled(
        "Create a 30-second test reminder", QStringLiteral("rectangle.inset.filled"), QString(), QColor(), this);
    m_stepTwo->body().addWidget(stepTwoContent());
    stack->addWidget(m_stepTwo);

    m_successNote = new Note(QStringLiteral("checkmark.circle.fill"),
        platform::localized("Success. Tolvar has a test reminder ready, and you can rerun this from Settings anytime."),
        settingsStyle::green(), settingsStyle::green(), 0.1, 0.22, this);
    stack->addWidget(m_successNote);
    stack->addStretch(1);

    auto* finishRow = new QHBoxLayout;
    finishRow->addStretch(1);
    m_finish = new BorderedButton(platform::localized("Finish"), BorderedButton::Style::borderedProminent, this);
    m_finish->setFixedWidth(160);
    connect(m_finish, &QPushButton::clicked, this, [this] {
        if (m_onFinish)
            m_onFinish();
    });
    finishRow->addWidget(m_finish);
    stack->addLayout(finishRow);
    // Return is the window's default action wherever the focus is, as long as Finish is enabled.
    for (const QKeySequence& key : { QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter) }) {
        auto* shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, this, [this] {
            if (m_finish->isEnabled())
                m_finish->click();
        });
    }

    connect(&appModel, &AppModel::changed, this, &OnboardingView::refresh);
    refresh();
    m_requestAccess->setFocus();
}

QWidget* OnboardingView::header()
{
    auto* header = new QWidget(this);
    auto* stack = new QVBoxLayout(header);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(12);

    auto* nameRow = new QHBoxLayout;
    nameRow->setSpacing(12);
    nameRow->addWidget(new AppBadge(44, 10, 24, header));
    QLabel* name
        = settingsStyle::label(platform::localized("Tolvar"), settingsStyle::font(28, QFont::DemiBold), false, header);
    name->setWordWrap(false);
    nameRow->addWidget(name);
    nameRow->addStretch(1);
    stack->addLayout(nameRow);

    auto* lines = new QVBoxLayout;
    lines->setSpacing(6);
    lines->addWidget(settingsStyle::label(platform::localized("Never miss a client meeting again."),
        settingsStyle::font(22, QFont::DemiBold), false, header));
    lines->addWidget(settingsStyle::label(platform::localized("Tolvar watches the calendars you choose and interrupts "
                                                              "only when a meeting is about to start."),
        settingsStyle::font(14), true, header));
    stack->addLayout(lines);

    stack->addWidget(new Note(QStringLiteral("menubar.rectangle"),
        platform::localized("Tolvar lives in your menu bar (top-right). Look for the calendar icon — there is no Dock "
                            "icon after setup."),
        settingsStyle::accent(), settingsStyle::primaryText(), 0.12, 0.28, header));
    return header;
}

QWidget* OnboardingView::stepOneContent()
{
    auto* content = new QWidget(this);
    auto* stack = new QVBoxLayout(content);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(12);

    m_requestAccess = new BorderedButton(QStringLiteral("lock.open.fill"),
        platform::localized("Request Calendar Access"), BorderedButton::Style::borderedProminent, content);
    // Not awaited: the answer arrives through the model's permission state and calendars.
    connect(m_requestAccess, &QPushButton::clicked, this, [this] { m_appModel.requestCalendarAccess(); });
    stack->addWidget(m_requestAccess, 0, Qt::AlignLeft);

    m_calendarScroll = new QScrollArea(content);
    m_calendarScroll->setFixedHeight(160);
    m_calendarScroll->setFocusPolicy(Qt::NoFocus);
    m_calendarScroll->setWidgetResizable(true);
    m_calendarScroll->setFrameShape(QFrame::NoFrame);
    m_calendarList
        = new SourceToggleList([this](const QString& id) { return m_appModel.selectedCalendarIDs().contains(id); },
            [this](const QString& id, bool selected) { m_appModel.setCalendar(id, selected); });
    m_calendarList->setContentsMargins(0, 2, 0, 2);
    auto* listColumn = new QWidget;
    auto* listStack = new QVBoxLayout(listColumn);
    listStack->setContentsMargins(0, 2, 0, 2);
    listStack->addWidget(m_calendarList);
    listStack->addStretch(1);
    m_calendarScroll->setWidget(listColumn);
    // The card shows through; only the rows have their own background.
    listColumn->setAutoFillBackground(false);
    m_calendarScroll->viewport()->setAutoFillBackground(false);
    stack->addWidget(m_calendarScroll);

    m_emptyCalendars = settingsStyle::label(QString(), settingsStyle::font(13), true, content);
    stack->addWidget(m_emptyCalendars);
    return content;
}

QWidget* OnboardingView::stepTwoContent()
{
    auto* content = new QWidget(this);
    auto* row = new QHBoxLayout(content);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    m_createTest = new BorderedButton(
        QStringLiteral("plus"), platform::localized("Create Test Reminder"), BorderedButton::Style::bordered, content);
    connect(m_createTest, &QPushButton::clicked, this, [this] {
        m_appModel.createTestMeeting(TestMeetingKind::online);
        markTestCreated();
    });
    m_fullscreenTest = new BorderedButton(QStringLiteral("play.fill"), platform::localized("Show Fullscreen Test"),
        BorderedButton::Style::borderedProminent, content);
    connect(m_fullscreenTest, &QPushButton::clicked, this, [this] {
        m_appModel.showFullscreenTest();
        markTestCreated();
    });
    row->addWidget(m_createTest);
    row->addWidget(m_fullscreenTest);
    row->addStretch(1);
    return content;
}

void OnboardingView::markTestCreated()
{
    m_testCreated = true;
    refresh();
}

bool OnboardingView::isStepOneComplete() const
{
    return !m_appModel.selectedCalendarIDs().isEmpty() && m_appModel.permissionState() == PermissionState::granted;
}

void OnboardingView::refresh()
{
    const qsizetype selected = m_appModel.selectedCalendarIDs().size();
    if (selected == 0)
        m_stepOne->setStatus(QStringLiteral("None selected"), settingsStyle::orange());
    else
        m_stepOne->setStatus(
            platform::localizedFormat("%d selected", { QLocale().toString(selected) }), settingsStyle::green());

    const QList<CalendarSource> calendars = m_appModel.calendars();
    m_calendarScroll->setVisible(!calendars.isEmpty());
    m_calendarList->setSources(calendars);
    m_calendarList->refresh();
    // The keyboard follows the steps from the top, through the calendars as they come and go.
    QList<QWidget*> order { m_requestAccess };
    for (QCheckBox* toggle : m_calendarList->toggles())
        order.append(toggle);
    order << m_createTest << m_fullscreenTest << m_finish;
    QWidget* previous = order.takeFirst();
    for (QWidget* next : order) {
        setTabOrder(previous, next);
        previous = next;
    }
    m_emptyCalendars->setVisible(calendars.isEmpty());
    switch (m_appModel.permissionState()) {
    case PermissionState::unknown:
        m_emptyCalendars->setText(platform::localized("Tolvar needs Calendar access before it can list calendars."));
        break;
    case PermissionState::granted:
        m_emptyCalendars->setText(platform::localized("No calendars found on this Mac."));
        break;
    case PermissionState::denied:
        m_emptyCalendars->setText(platform::localized("Calendar access is denied. Enable it in System Settings."));
        break;
    }

    m_stepTwo->setStatus(m_testCreated ? QStringLiteral("Test created") : QStringLiteral("Not tested yet"),
        m_testCreated ? settingsStyle::green() : settingsStyle::orange());
    m_fullscreenTest->setEnabled(m_appModel.nextUpcomingMeeting().has_value());
    m_successNote->setVisible(m_testCreated);
    static_cast<StepDot*>(m_dots[0])->setComplete(isStepOneComplete());
    static_cast<StepDot*>(m_dots[1])->setComplete(isStepTwoComplete());
    m_finish->setEnabled(m_appModel.permissionState() == PermissionState::granted);
}

bool OnboardingView::isCalendarListShown() const
{
    return !m_calendarScroll->isHidden();
}

QString OnboardingView::emptyCalendarsText() const
{
    return m_emptyCalendars->isHidden() ? QString() : m_emptyCalendars->text();
}

bool OnboardingView::isSuccessNoteShown() const
{
    return !m_successNote->isHidden();
}

void OnboardingView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_refreshedOnShow)
        return;
    m_refreshedOnShow = true;
    m_appModel.refresh();
}

void OnboardingView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), settingsStyle::windowBackground());
}

} // namespace tolvar
