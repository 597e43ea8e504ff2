#pragma once

#include <QWidget>

namespace tolvar {

// Another day without meetings: the calendar symbol over "No meetings on …".
class EmptyDayCard : public QWidget
{
    Q_OBJECT
public:
    explicit EmptyDayCard(QWidget* parent = nullptr);

    QString text() const { return m_text; }
    void setDayLabel(const QString& dayLabel);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};

} // namespace tolvar
