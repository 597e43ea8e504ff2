#pragma once

#include <QWidget>

namespace tolvar {

// The faint one-point rule between the panel's sections.
class TolvarDivider : public QWidget
{
    Q_OBJECT
public:
    explicit TolvarDivider(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace tolvar
