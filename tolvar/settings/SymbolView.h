#pragma once

#include <QColor>
#include <QString>
#include <QWidget>

namespace tolvar {

// One tinted symbol, centred in the widget; an unknown name draws nothing.
class SymbolView : public QWidget
{
    Q_OBJECT
public:
    SymbolView(const QString& name, int size, const QColor& color, QWidget* parent = nullptr);

    void setSymbol(const QString& name, const QColor& color);
    QString symbol() const { return m_name; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_name;
    int m_size;
    QColor m_color;
};

} // namespace tolvar
