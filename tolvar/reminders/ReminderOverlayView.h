#pragma once

#include "platform/time/Clock.h"
#include "tolvar/model/MeetingSnapshot.h"
#include "tolvar/style/ButtonLabel.h"
#include "tolvar/style/PaintedElements.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QVariantAnimation;

namespace tolvar {

class OverlayFocusModel;

// The full-screen reminder for a group of meetings: countdown, the meeting or the overlapping
// meetings, and the choices join, copy location, snooze and dismiss. It paints itself.
class ReminderOverlayView : public QWidget, public PaintedElements
{
    Q_OBJECT
public:
    using JoinHandler = std::function<void(const MeetingSnapshot&)>;
    using SnoozeHandler = std::function<void(double seconds)>;
    using DismissHandler = std::function<void()>;

    // `meetings` sorted by start and never empty; `focus` is shared with the other screens' views.
    ReminderOverlayView(QList<MeetingSnapshot> meetings, JoinHandler onJoin, SnoozeHandler onSnooze,
        DismissHandler onDismiss, OverlayFocusModel* focus, platform::Clock& clock, QWidget* parent = nullptr);
    ~ReminderOverlayView() override;

    const QList<MeetingSnapshot>& meetings() const { return m_meetings; }
    bool isHandlingAction() const { return m_isHandlingAction; }
    bool appeared() const { return m_appeared; }
    // Read from the desktop at construction; takes effect at the first showing.
    void setReduceMotion(bool reduceMotion) { m_reduceMotion = reduceMotion; }

    int secondsRemaining() const;
    bool dismissIsPrimary() const;
    QColor accentColor() const;
    QString titleText() const;
    QString countdownText() const;
    QString countdownAccessibilityLabel() const;
    QString pillText() const;
    QString headline() const;
    QString summaryLine() const;
    QString rowDetailLine(const MeetingSnapshot& meeting) const;
    static std::optional<QString> focusID(const MeetingSnapshot& meeting);

    // Builds this view's focus items and configures the shared model unless another view did.
    void configureFocus();
    void dismissAction();
    static void copyLocation(const MeetingSnapshot& meeting);

    static std::optional<QString> joinServiceName(const MeetingSnapshot& meeting);

    // What a click or a focus ring can land on, in the middle column's own coordinates.
    struct Button
    {
        QString id;
        ButtonLabel label;
        bool primary = false;
        QRectF rect;
    };
    // The buttons as laid out for the current size and texts; for tests and accessibility.
    QList<Button> buttons() const;
    // Maps a button's rectangle to the view's coordinates.
    QRectF buttonRect(const Button& button) const;
    // What a click on the button does; disabled buttons do nothing.
    void click(const QString& buttonID);

    // The texts and buttons a screen reader sees; the label above the countdown and the dots are left out.
    QList<PaintedElement> accessibleElements() const override;
    void pressAccessibleElement(const QString& id) override { click(id); }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Layout;
    bool isOneMeeting() const { return m_meetings.size() == 1; }
    void guarded(const std::function<void()>& action);
    // Made again only when the size or the countdown's second changed; frames and clicks reuse it.
    const Layout& layout() const;
    Layout makeLayout() const;
    QTransform middleTransform(const Layout& layout) const;
    std::optional<Button> buttonAt(QPointF position) const;
    qreal ringOpacity(const QString& id) const;
    void focusChanged();
    void animatePress(qreal to);

    void paintBackground(QPainter& painter) const;
    void paintHeader(QPainter& painter, const Layout& layout) const;
    void paintMiddle(QPainter& painter, const Layout& layout) const;
    void paintRing(QPainter& painter, const QRectF& rect, qreal radius, const QString& id) const;

    QList<MeetingSnapshot> m_meetings;
    JoinHandler m_onJoin;
    SnoozeHandler m_onSnooze;
    DismissHandler m_onDismiss;
    QPointer<OverlayFocusModel> m_focus;
    platform::Clock& m_clock;
    platform::Date m_now;
    bool m_isHandlingAction = false;
    bool m_appeared = false;
    bool m_reduceMotion = false;
    std::unique_ptr<platform::Timer> m_timer;
    mutable std::unique_ptr<Layout> m_layout;

    qreal m_entrance = 0;
    QVariantAnimation* m_entranceAnimation = nullptr;
    QString m_ringID;
    QString m_previousRingID;
    qreal m_ringProgress = 1;
    QVariantAnimation* m_ringAnimation = nullptr;
    // The last pressed button keeps its id while its release animates.
    QString m_pressedID;
    bool m_isPressing = false;
    qreal m_pressProgress = 0;
    QVariantAnimation* m_pressAnimation = nullptr;
};

} // namespace tolvar
