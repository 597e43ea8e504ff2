#pragma once

#include <QAbstractButton>

namespace tolvar {

class MenuBarInteractionModel;

// The title of a day other than today: teal and underlined; hovering it asks for the "Back to Today"
// hint, and a click returns to today.
class DayNavBackToTodayTitle : public QAbstractButton
{
    Q_OBJECT
public:
    DayNavBackToTodayTitle(MenuBarInteractionModel& ui, QWidget* parent = nullptr);

    QString title() const { return text(); }
    void setTitle(const QString& title);
    void backToToday();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    MenuBarInteractionModel& m_ui;
};

} // namespace tolvar
