#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QFont>

namespace tolvar {

// A plain text button of the detail card ("Open in Calendar", "+2 more", the place): an optional
// symbol before text that wraps within the card's width.
class DetailLinkButton : public QAbstractButton
{
    Q_OBJECT
public:
    DetailLinkButton(const QFont& font, const QColor& color, QWidget* parent = nullptr);

    // An empty symbol shows the text alone.
    void setContent(const QString& symbol, const QString& text);
    QString symbol() const { return m_symbol; }
    // The text's lines as drawn at the button's width.
    QStringList shownLines() const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    qreal textLeft() const;

    QFont m_font;
    QColor m_color;
    QString m_symbol;
};

} // namespace tolvar
