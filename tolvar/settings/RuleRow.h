#pragma once

#include "tolvar/model/CalendarRule.h"
#include "tolvar/model/CalendarSource.h"
#include "tolvar/settings/RowBackground.h"

class QCheckBox;

namespace tolvar {

class AppModel;
class SegmentedPicker;

// The reminder rule of one watched calendar or reminder list. Every control writes through the model's
// rule operations and then shows the rule as the model reads it, the default when none is stored.
class RuleRow : public RowBackground
{
    Q_OBJECT
public:
    enum class Kind { calendar, reminderList };

    RuleRow(AppModel& appModel, const CalendarSource& source, Kind kind, QWidget* parent = nullptr);

    void refresh();

    const CalendarSource& source() const { return m_source; }
    // Absent for reminder lists, which have no event scope.
    SegmentedPicker* eventsPicker() const { return m_events; }
    QCheckBox* showOverlayToggle() const { return m_showOverlay; }
    QCheckBox* playSoundToggle() const { return m_playSound; }
    SegmentedPicker* soundRepeatPicker() const { return m_soundRepeat; }
    bool isPlaySoundShown() const;
    bool isSoundRepeatShown() const;

private:
    CalendarRule rule() const;

    AppModel& m_appModel;
    CalendarSource m_source;
    Kind m_kind;
    SegmentedPicker* m_events = nullptr;
    QCheckBox* m_showOverlay;
    QCheckBox* m_playSound;
    SegmentedPicker* m_soundRepeat;
    QWidget* m_soundRepeatRow;
};

} // namespace tolvar
