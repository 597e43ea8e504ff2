#pragma once

#include <QComboBox>

namespace tolvar {

// A menu of the hours 0 to 23, each in the user's short time style; an hour outside them selects none.
class HourPicker : public QComboBox
{
    Q_OBJECT
public:
    explicit HourPicker(QWidget* parent = nullptr);

    void setHour(int hour);
    // The hour chosen, or -1.
    int hour() const;

Q_SIGNALS:
    void hourChosen(int hour);
};

// An hour picker under its title, 160 wide, as the quiet hours and the default time show it.
QWidget* titledHourPicker(const char* title, HourPicker* picker, QWidget* parent = nullptr);

} // namespace tolvar
