#pragma once

#include <QWidget>

namespace tolvar {

// The application's badge: its symbol in white on an accent-coloured rounded square.
class AppBadge : public QWidget
{
    Q_OBJECT
public:
    AppBadge(int side, qreal radius, int symbolSize, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal m_radius;
    int m_symbolSize;
};

} // namespace tolvar
