#include "tolvar/settings/HourPicker.h"

#include "platform/text/Localized.h"
#include "tolvar/settings/SettingsStyle.h"
#include "tolvar/settings/SettingsTexts.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tolvar {

HourPicker::HourPicker(QWidget* parent)
    : QComboBox(parent)
{
    for (int hour = 0; hour < 24; ++hour)
        addItem(settingsTexts::hourLabel(hour), hour);
    setFixedWidth(160);
    connect(this, &QComboBox::activated, this, [this](int index) { Q_EMIT hourChosen(itemData(index).toInt()); });
}

void HourPicker::setHour(int hour)
{
    setCurrentIndex(hour >= 0 && hour < 24 ? hour : -1);
}

int HourPicker::hour() const
{
    return currentIndex() < 0 ? -1 : currentData().toInt();
}

QWidget* titledHourPicker(const char* title, HourPicker* picker, QWidget* parent)
{
    auto* box = new QWidget(parent);
    auto* stack = new QVBoxLayout(box);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(6);
    stack->addWidget(
        settingsStyle::label(platform::localized(title), settingsStyle::font(12, QFont::DemiBold), true, box));
    picker->setParent(box);
    picker->setAccessibleName(platform::localized(title));
    stack->addWidget(picker);
    return box;
}

} // namespace tolvar
