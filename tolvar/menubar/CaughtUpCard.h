#pragma once

#include <QWidget>

namespace tolvar {

// Today's empty state: the teal check badge over "You're all caught up", in the empty-state card.
class CaughtUpCard : public QWidget
{
    Q_OBJECT
public:
    explicit CaughtUpCard(QWidget* parent = nullptr);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tolvar
