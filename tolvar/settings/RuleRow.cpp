#include "tolvar/settings/RuleRow.h"

#include "platform/text/Localized.h"
#include "tolvar/core/AppModel.h"
#include "tolvar/settings/ColorDot.h"
#include "tolvar/settings/ElidedLabel.h"
#include "tolvar/settings/SegmentedPicker.h"
#include "tolvar/settings/SettingsStyle.h"
#include "tolvar/settings/SettingsTexts.h"
#include "tolvar/style/CalendarColor.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace tolvar {

namespace {

QList<QPair<QString, QVariant>> soundRepeatChoices()
{
    return { { platform::localized("Always"), 0 }, { platform::localized("1"), 1 }, { platform::localized("3"), 3 },
        { platform::localized("5"), 5 } };
}

QList<QPair<QString, QVariant>> eventScopeChoices()
{
    return { { platform::localized("Meetings only"), int(EventScope::meetingsOnly) },
        { platform::localized("All events"), int(EventScope::meetingsAndEvents) } };
}

} // namespace

RuleRow::RuleRow(AppModel& appModel, const CalendarSource& source, Kind kind, QWidget* parent)
    : RowBackground(parent)
    , m_appModel(appModel)
    , m_source(source)
    , m_kind(kind)
{
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(10, 8, 10, 8);
    stack->setSpacing(10);

    auto* header = new QHBoxLayout;
    header->setSpacing(10);
    header->addWidget(new ColorDot(calendarAccentColor(source.title), 10, this));
    auto* name = new ElidedLabel(source.displayName(), this);
    name->setFont(settingsStyle::font(13, QFont::DemiBold));
    header->addWidget(name, 1);
    stack->addLayout(header);

    auto* controls = new QVBoxLayout;
    controls->setContentsMargins(20, 0, 0, 0);
    controls->setSpacing(8);
    if (kind == Kind::calendar) {
        m_events = new SegmentedPicker(eventScopeChoices());
        controls->addWidget(segmentedPickerRow("Events", m_events, this));
        connect(m_events, &SegmentedPicker::chosen, this, [this](const QVariant& value) {
            m_appModel.setEventScope(EventScope(value.toInt()), m_source);
            refresh();
        });
    }
    m_showOverlay = new QCheckBox(platform::localized("Show overlay"), this);
    m_playSound = new QCheckBox(platform::localized("Play sound"), this);
    m_soundRepeat = new SegmentedPicker(soundRepeatChoices());
    m_soundRepeatRow = segmentedPickerRow("Sound repeat", m_soundRepeat, this);
    controls->addWidget(m_showOverlay);
    controls->addWidget(m_playSound);
    controls->addWidget(m_soundRepeatRow);
    stack->addLayout(controls);

    const auto setFlag = [this](AppModel::RuleFlag flag, bool value) {
        if (m_kind == Kind::calendar)
            m_appModel.setRuleFlag(flag, value, m_source);
        else
            m_appModel.setReminderListRuleFlag(flag, value, m_source);
        refresh();
    };
    connect(m_showOverlay, &QCheckBox::clicked, this,
        [setFlag](bool checked) { setFlag(AppModel::RuleFlag::showOverlay, checked); });
    connect(m_playSound, &QCheckBox::clicked, this,
        [setFlag](bool checked) { setFlag(AppModel::RuleFlag::playSound, checked); });
    connect(m_soundRepeat, &SegmentedPicker::chosen, this, [this](const QVariant& value) {
        if (m_kind == Kind::calendar)
            m_appModel.setSoundRepeat(value.toInt(), m_source);
        else
            m_appModel.setReminderListSoundRepeat(value.toInt(), m_source);
        refresh();
    });
    refresh();
}

CalendarRule RuleRow::rule() const
{
    return m_kind == Kind::calendar ? m_appModel.calendarRule(m_source) : m_appModel.reminderListRule(m_source);
}

void RuleRow::refresh()
{
    const CalendarRule current = rule();
    if (m_events)
        m_events->setValue(int(current.eventScope));
    m_showOverlay->setChecked(current.showOverlay);
    m_playSound->setChecked(current.playSound);
    // A count from elsewhere that no segment offers selects none.
    const bool offered = current.soundRepeat >= 0 && current.soundRepeat <= 5;
    m_soundRepeat->setValue(offered ? QVariant(int(current.soundRepeat)) : QVariant());
    // The hidden fields keep their stored values.
    m_playSound->setVisible(current.showOverlay);
    m_soundRepeatRow->setVisible(current.showOverlay && current.playSound);
}

bool RuleRow::isPlaySoundShown() const
{
    return !m_playSound->isHidden();
}

bool RuleRow::isSoundRepeatShown() const
{
    return !m_soundRepeatRow->isHidden();
}

} // namespace tolvar
