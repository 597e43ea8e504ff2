#pragma once

#include <QColor>
#include <QFont>
#include <QWidget>

namespace tolvar {

// A symbol and one line of text beside it, cut at the end when it does not fit.
class SymbolLabel : public QWidget
{
    Q_OBJECT
public:
    // `symbolWidth` 0 gives the symbol its font's width.
    SymbolLabel(const QString& symbol, qreal symbolPoints, const QColor& symbolColor, const QString& text,
        const QFont& font, const QColor& color, qreal symbolWidth = 0, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal symbolWidth() const;

    QString m_symbol;
    qreal m_symbolPoints;
    QColor m_symbolColor;
    QString m_text;
    QFont m_font;
    QColor m_color;
    qreal m_symbolWidth;
};

} // namespace tolvar
