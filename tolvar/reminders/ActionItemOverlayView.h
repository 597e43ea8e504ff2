#pragma once

#include "platform/time/Clock.h"
#include "tolvar/style/PaintedElements.h"

#include <QWidget>
#include <functional>

class QPlainTextEdit;
class QGraphicsOpacityEffect;
class QVariantAnimation;

namespace tolvar {

// The dimmed full-screen card that asks for a finished meeting's action items. The notes live only
// while its meeting's prompt is open or held back by a reminder; Copy is the only way they leave it.
class ActionItemOverlayView : public QWidget, public PaintedElements
{
    Q_OBJECT
public:
    ActionItemOverlayView(
        QString meetingTitle, std::function<void()> onDismiss, platform::Clock& clock, QWidget* parent = nullptr);

    QString notes() const;
    void setNotes(const QString& notes);
    bool didCopy() const { return m_didCopy; }
    bool appeared() const { return m_appeared; }
    void setReduceMotion(bool reduceMotion) { m_reduceMotion = reduceMotion; }
    QPlainTextEdit* editor() const { return m_editor; }
    bool canCopy() const;

    void copyNotes();
    void done();
    QRectF doneButtonRect() const;
    static QString doneToolTip();

    // The card's texts and its Copy and Done buttons; the notes editor is a widget of its own.
    QList<PaintedElement> accessibleElements() const override;
    void pressAccessibleElement(const QString& id) override;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Layout;
    Layout layout() const;
    void placeEditor();

    QString m_meetingTitle;
    std::function<void()> m_onDismiss;
    platform::Clock& m_clock;
    QPlainTextEdit* m_editor;
    QGraphicsOpacityEffect* m_editorOpacity;
    bool m_didCopy = false;
    bool m_appeared = false;
    bool m_reduceMotion = false;
    qreal m_entrance = 0;
    QVariantAnimation* m_entranceAnimation;
    QString m_pressed;
};

} // namespace tolvar
