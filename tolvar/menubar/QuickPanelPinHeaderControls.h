#pragma once

#include <QAbstractButton>
#include <QPointer>
#include <QWidget>

namespace tolvar {

class PanelWindowDragHandle;
class QuickPanelPinModel;

// The Quick Panel's end of the header: the drag handle while pinned, the pin button, and the sync
// status as the model wrote it.
class QuickPanelPinHeaderControls : public QWidget
{
    Q_OBJECT
public:
    static constexpr int spacing = 8;
    static constexpr int buttonSize = 28;
    static constexpr int handleWidth = 18;
    static constexpr int handleHeight = 22;

    explicit QuickPanelPinHeaderControls(QuickPanelPinModel& model, QWidget* parent = nullptr);

    void setSyncStatus(const QString& status);
    QAbstractButton* pinButton() const { return m_pinButton; }
    PanelWindowDragHandle* dragHandle() const { return m_dragHandle; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void pinnedChanged();
    void placeChildren();
    bool isPinned() const;

    QPointer<QuickPanelPinModel> m_model;
    PanelWindowDragHandle* m_dragHandle;
    QAbstractButton* m_pinButton;
    QString m_syncStatus;
};

} // namespace tolvar
