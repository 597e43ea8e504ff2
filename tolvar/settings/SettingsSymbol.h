#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>

namespace tolvar {

// The symbols the settings and onboarding windows name, drawn from the desktop's symbolic icons and
// tinted; an unknown name draws nothing.
QPixmap settingsSymbol(const QString& name, int size, const QColor& color);

// One tinted symbol, centred in the widget.
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
