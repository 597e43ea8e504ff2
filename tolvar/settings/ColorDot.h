#pragma once

#include <QColor>
#include <QWidget>

namespace tolvar {

// A filled circle in a source's colour, 10 across.
class ColorDot : public QWidget
{
    Q_OBJECT
public:
    explicit ColorDot(const QColor& color, int diameter = 10, QWidget* parent = nullptr);

    QColor color() const { return m_color; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_color;
};

} // namespace tolvar
