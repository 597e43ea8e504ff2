#pragma once

#include <QWidget>

namespace tolvar {

// One line of text that gives up width by eliding its middle, so that what follows it in a row stays in
// reach; the whole text is its tooltip.
class ElidedLabel : public QWidget
{
    Q_OBJECT
public:
    explicit ElidedLabel(const QString& text, QWidget* parent = nullptr);

    QString text() const { return m_text; }
    // The text as it fits the current width.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};

} // namespace tolvar
