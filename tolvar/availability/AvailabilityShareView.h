#pragma once

#include "platform/time/Clock.h"
#include "tolvar/availability/AvailabilitySelection.h"
#include "tolvar/style/PaintedElements.h"

#include <QWidget>
#include <functional>
#include <optional>

class QButtonGroup;
class QComboBox;
class QPlainTextEdit;
class QPushButton;
class QScrollArea;

namespace tolvar {

class AvailabilityDayList;

// The availability panel's card: the working hours of the coming week as free, busy and past slots,
// the pickers that shape them, and the message built from the picked free slots. Everything it
// chooses lives only as long as it does.
class AvailabilityShareView : public QWidget, public PaintedElements
{
    Q_OBJECT
public:
    static constexpr int cardWidth = 520;
    static constexpr int cardHeight = 640;
    static constexpr double copiedLabelSeconds = 1.6;

    // `systemZone` and `locale` are the user's own; tests pass fixed ones.
    AvailabilityShareView(QList<MeetingSnapshot> meetings, std::function<void()> onDismiss, platform::Clock& clock,
        QWidget* parent = nullptr, QTimeZone systemZone = QTimeZone::systemTimeZone(), QLocale locale = QLocale());
    ~AvailabilityShareView() override;

    AvailabilitySlotDuration slotDuration() const { return m_selection.slotDuration(); }
    int workStartHour() const { return m_selection.workStartHour(); }
    int workEndHour() const { return m_selection.workEndHour(); }
    AvailabilityDisplayTimeZone displayZone() const { return m_selection.displayZone(); }
    const QSet<QString>& selectedIDs() const { return m_selection.selectedIDs(); }
    bool didCopy() const { return m_didCopy; }

    // A change of slot length or hours drops picked slots that are no longer offered.
    void setSlotDuration(AvailabilitySlotDuration duration);
    void setWorkStartHour(int hour);
    void setWorkEndHour(int hour);
    void setDisplayZone(const AvailabilityDisplayTimeZone& zone);

    QList<AvailabilitySlot> allSlots() const { return m_selection.allSlots(); }
    QList<AvailabilitySlot> selectedSlots() const { return m_selection.selectedSlots(); }
    QTimeZone displayTimeZone() const { return m_selection.displayTimeZone(); }
    QString message() const { return m_selection.message(); }

    // `isSelected`: whether the slot's chip showed as picked. Only free slots can be picked.
    void toggle(const AvailabilitySlot& slot, bool isSelected);
    void pruneSelection();
    // Puts the trimmed message on the clipboard and shows "Copied" for a moment.
    void copyMessage();
    void dismiss();

    QString dayTitle(platform::Date day) const { return m_selection.dayTitle(day); }
    static QString helpText(const AvailabilitySlot& slot);
    QString chipLabel(const AvailabilitySlot& slot) const { return m_selection.chipLabel(slot); }
    const QTimeZone& systemZone() const { return m_selection.systemZone(); }

    // Where things are, in the card's coordinates, for tests that click.
    QRectF chipRect(const QString& slotID) const;
    QRectF copyButtonRect() const;
    QRectF doneButtonRect() const;
    QRectF closeButtonRect() const;
    QComboBox* fromPicker() const { return m_fromPicker; }
    QComboBox* toPicker() const { return m_toPicker; }
    QComboBox* zonePicker() const { return m_zonePicker; }
    QPushButton* myTimeZoneButton() const { return m_myTimeZoneButton; }
    QPlainTextEdit* messageBox() const { return m_messageBox; }
    AvailabilityDayList* dayList() const { return m_dayList; }

    // The painted title, close button, preview heading, Copy and Done; the pickers are widgets.
    QList<PaintedElement> accessibleElements() const override;
    void pressAccessibleElement(const QString& id) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Layout;
    Layout layout() const;
    void buildControls();
    void placeControls();
    // Brings every part of the card in line with the state.
    void refresh();
    void refreshHourPickers();
    bool canCopy() const;

    std::function<void()> m_onDismiss;
    platform::Clock& m_clock;
    AvailabilitySelection m_selection;
    bool m_didCopy = false;

    QButtonGroup* m_durationPicker;
    QComboBox* m_fromPicker;
    QComboBox* m_toPicker;
    QComboBox* m_zonePicker;
    QPushButton* m_myTimeZoneButton;
    QScrollArea* m_scrollArea;
    AvailabilityDayList* m_dayList;
    QPlainTextEdit* m_messageBox;
    // The painted button under a held mouse button.
    QString m_pressed;
    // Where a drag of the background grabbed the window, relative to its corner.
    std::optional<QPoint> m_dragOffset;
};

} // namespace tolvar
