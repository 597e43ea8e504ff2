#pragma once

#include <QWidget>

namespace tolvar {

// The line of panel keys under the day navigation.
class KeyboardLegend : public QWidget
{
    Q_OBJECT
public:
    explicit KeyboardLegend(QWidget* parent = nullptr);

    static QString text();
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tolvar
