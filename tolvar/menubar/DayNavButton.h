#pragma once

#include <QAbstractButton>

namespace tolvar {

// One arrow of the day navigation: a teal chevron on a faint rounded square.
class DayNavButton : public QAbstractButton
{
    Q_OBJECT
public:
    // `symbol` is "chevron.left" or "chevron.right".
    DayNavButton(const QString& symbol, QWidget* parent = nullptr);

    QString symbol() const { return m_symbol; }
    QSize sizeHint() const override { return { 26, 26 }; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
};

} // namespace tolvar
