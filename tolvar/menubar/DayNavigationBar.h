#pragma once

#include <QWidget>

namespace tolvar {

class DayNavBackToTodayTitle;
class DayNavButton;
class MenuBarInteractionModel;

// The row under the header: previous day, the day's title, next day. Today's title is plain; any
// other day's is the link back to today.
class DayNavigationBar : public QWidget
{
    Q_OBJECT
public:
    DayNavigationBar(MenuBarInteractionModel& ui, QWidget* parent = nullptr);

    void setDay(int dayOffset, int maxDayOffset, const QString& title);
    QString title() const { return m_title; }

    DayNavButton* previousButton() const { return m_previous; }
    DayNavButton* nextButton() const { return m_next; }
    DayNavBackToTodayTitle* backToTodayTitle() const { return m_backToToday; }

    QSize sizeHint() const override;

Q_SIGNALS:
    void previousDay();
    void nextDay();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRect titleRect() const;

    DayNavButton* m_previous;
    DayNavButton* m_next;
    DayNavBackToTodayTitle* m_backToToday;
    QString m_title;
    bool m_isToday = true;
};

} // namespace tolvar
