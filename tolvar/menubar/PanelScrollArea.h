#pragma once

#include <QRectF>
#include <QScrollArea>
#include <QString>
#include <optional>

namespace tolvar {

class MenuBarContentView;

// Holds the panel's content in a window that its screen may make shorter than the content: the rest
// scrolls, by the wheel and by the selection keys. The row the keys select comes into view, also
// when the window shows again, and the selected row stays where it stands while the list changes
// around it (a refresh that drops or adds a meeting above it). Rows that scroll under a pointer at rest
// learn so as if it had moved: the hovered row, its card and its tooltip follow what is under it.
class PanelScrollArea : public QScrollArea
{
    Q_OBJECT
public:
    explicit PanelScrollArea(QWidget* content, QWidget* parent = nullptr);

    QWidget* content() const { return m_content; }
    // The content's height when laid out at the given width.
    int fittingHeight(int width) const;

Q_SIGNALS:
    // The content grew or shrank: the window should fit it again.
    void fittingHeightChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    std::optional<QRectF> selectedRow() const;
    void followSelection();
    void revealSelection(const QRectF& row);
    void keepSelectedRow(int scrollValue);
    void replayPointer();

    QWidget* m_content;
    MenuBarContentView* m_view;
    // The selected row, and how far below the top of the visible part it stood when last placed.
    std::optional<QString> m_keptID;
    qreal m_keptOffset = 0;
};

} // namespace tolvar
