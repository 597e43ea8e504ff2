#pragma once

#include <QColor>
#include <QWidget>

namespace tolvar {

// A section's title: small, bold, widely spaced capitals in the section's colour.
class SectionHeader : public QWidget
{
    Q_OBJECT
public:
    explicit SectionHeader(QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setTitle(const QString& text, const QColor& color);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    QColor m_color;
};

} // namespace tolvar
