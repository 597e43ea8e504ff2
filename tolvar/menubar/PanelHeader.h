#pragma once

#include <QPointer>
#include <QWidget>

namespace tolvar {

// The panel's top row: the brand mark and name, and on the right the sync status, or the controls a
// hosting window puts there instead (the Quick Panel's pin).
class PanelHeader : public QWidget
{
    Q_OBJECT
public:
    explicit PanelHeader(QWidget* parent = nullptr);

    QString syncStatus() const { return m_syncStatus; }
    void setSyncStatus(const QString& status);
    // Takes `accessory` as a child in place of the sync status; null brings the status back.
    void setAccessory(QWidget* accessory);
    QWidget* accessory() const { return m_accessory; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void placeAccessory();

    QString m_syncStatus;
    QPointer<QWidget> m_accessory;
};

} // namespace tolvar
