#pragma once

#include <QAbstractButton>

namespace tolvar {

// One action of the panel's footer: its symbol over its title on a faint rounded square.
class FooterButton : public QAbstractButton
{
    Q_OBJECT
public:
    FooterButton(const QString& symbol, const QString& title, bool destructive, QWidget* parent = nullptr);

    QString symbol() const { return m_symbol; }
    bool isDestructive() const { return m_destructive; }
    QSize sizeHint() const override { return { 50, 38 }; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_symbol;
    bool m_destructive;
};

} // namespace tolvar
