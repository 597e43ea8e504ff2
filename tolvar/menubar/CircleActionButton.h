#pragma once

#include <QAbstractButton>
#include <QColor>

namespace tolvar {

// The round 30-point button of a large card: join (the teal-to-blue disc with the camera) or copy
// the place (the faint disc with the pin).
class CircleActionButton : public QAbstractButton
{
    Q_OBJECT
public:
    enum class Kind { join, copyLocation };
    static constexpr int diameter = 30;

    explicit CircleActionButton(QWidget* parent = nullptr);

    Kind kind() const { return m_kind; }
    void setKind(Kind kind);
    QSize sizeHint() const override { return { diameter, diameter }; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Kind m_kind = Kind::join;
};

} // namespace tolvar
