#pragma once

#include <QWidget>

namespace tolvar {

// The dark "Back to Today" hint that floats above the title of another day while it is hovered.
class BackToTodayTooltip : public QWidget
{
    Q_OBJECT
public:
    explicit BackToTodayTooltip(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    // Centres the hint over `title` (in the parent's coordinates), 22 points higher.
    void placeOver(const QRect& title);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tolvar
