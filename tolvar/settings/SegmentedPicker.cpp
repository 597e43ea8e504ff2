#include "tolvar/settings/SegmentedPicker.h"

#include "platform/text/Localized.h"
#include "tolvar/settings/SettingsStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace tolvar {

SegmentedPicker::SegmentedPicker(const QList<QPair<QString, QVariant>>& choices, QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    for (const auto& [text, value] : choices) {
        auto* segment = new QPushButton(text, this);
        segment->setCheckable(true);
        segment->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        const QVariant tagged = value;
        // The click only asks; the owner writes the model and shows its value again.
        connect(segment, &QPushButton::clicked, this, [this, tagged] { Q_EMIT chosen(tagged); });
        row->addWidget(segment);
        m_segments.append({ segment, value });
    }
}

void SegmentedPicker::setValue(const QVariant& value)
{
    for (const auto& [segment, tag] : m_segments)
        segment->setChecked(tag == value);
}

QVariant SegmentedPicker::value() const
{
    for (const auto& [segment, tag] : m_segments) {
        if (segment->isChecked())
            return tag;
    }
    return {};
}

QStringList SegmentedPicker::texts() const
{
    QStringList texts;
    for (const auto& segment : m_segments)
        texts.append(segment.first->text());
    return texts;
}

void SegmentedPicker::choose(const QVariant& value)
{
    for (const auto& [segment, tag] : m_segments) {
        if (tag == value)
            segment->click();
    }
}

QWidget* segmentedPickerRow(const char* title, SegmentedPicker* picker, QWidget* parent)
{
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(12);
    QLabel* label = settingsStyle::label(platform::localized(title), settingsStyle::font(13, QFont::Medium), true, row);
    label->setFixedWidth(150);
    layout->addWidget(label);
    picker->setParent(row);
    layout->addWidget(picker, 1);
    return row;
}

} // namespace tolvar
