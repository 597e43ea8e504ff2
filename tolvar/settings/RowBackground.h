#pragma once

#include <QWidget>

namespace tolvar {

// A plain rounded panel in the control background colour, behind a row of a list.
class RowBackground : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tolvar
