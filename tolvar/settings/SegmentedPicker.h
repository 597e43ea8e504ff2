#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>
#include <QWidget>

class QAbstractButton;

namespace tolvar {

// A row of segments, each a text tagged with a value; at most one is on, and none when the value
// shown matches no segment.
class SegmentedPicker : public QWidget
{
    Q_OBJECT
public:
    // Texts are shown as given (already localised).
    explicit SegmentedPicker(const QList<QPair<QString, QVariant>>& choices, QWidget* parent = nullptr);

    void setValue(const QVariant& value);
    // The value of the segment that is on, or an invalid value.
    QVariant value() const;
    QStringList texts() const;
    // Acts as a click on the segment of `value`.
    void choose(const QVariant& value);

Q_SIGNALS:
    void chosen(const QVariant& value);

private:
    QList<QPair<QAbstractButton*, QVariant>> m_segments;
};

// A segmented picker behind its title in a 150-wide column.
QWidget* segmentedPickerRow(const char* title, SegmentedPicker* picker, QWidget* parent = nullptr);

} // namespace tolvar
