#pragma once

#include "tolvar/core/QuickPanel.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <optional>

class QScreen;

namespace tolvar {

class PanelTransientHotkeys;
class QuickPanelPinModel;
class QuickPanelHostingView;
class QuickPanelWindow;

// Opens the panel's content in a floating window at the mouse pointer, closes it again, and carries
// pinning from the content's pin control to the window and the panel keys.
class QuickPanelController : public QObject, public QuickPanel
{
    Q_OBJECT
public:
    // Builds the panel's content for one opening; the pin model is the panel's.
    using ContentFactory
        = std::function<QWidget*(AppModel& appModel, std::function<void()> showSettings, QuickPanelPinModel* pin)>;

    static constexpr int width = 360;
    static constexpr int layoutHeight = 600;
    static constexpr int minimumHeight = 200;
    static constexpr int screenMargin = 24;
    static constexpr int maximumHeightWithoutScreen = 776;

    QuickPanelController(PanelTransientHotkeys& registry, ContentFactory contentFactory, QObject* parent = nullptr);
    ~QuickPanelController() override;

    void toggle(AppModel& appModel, std::function<void()> showSettings) override;
    bool hasPanel() const override;
    void closePanel() override;
    void close(QuickPanelWindow* panel);

    QuickPanelWindow* panel() const;
    QuickPanelPinModel* pinModel() const;

    // The screen whose geometry holds the pointer; none when it is on no screen.
    static QScreen* screenUnderMouse();
    // Where the panel goes for a pointer position (global, y down) and the usable area of its screen,
    // given the content's wanted height: below the pointer, or above it where below has no room.
    static QRect panelFrame(QPoint mouse, std::optional<QRect> visibleFrame, int wantedHeight);
    // The open panel fitted to a new content height: the same x, the top kept at `anchorTop` while the
    // panel fits below it in the usable area, else raised just enough.
    static QRect refitFrame(const QRect& current, int anchorTop, std::optional<QRect> visibleFrame, int wantedHeight);
    // The monitor a panel let go of at `frame` belongs to: the one under the pointer while the pointer
    // is on the panel, else the one holding most of it, else the one nearest the pointer; none without
    // any monitor.
    static QScreen* screenForDrop(const QRect& frame, QPoint pointer);
    // Where a panel let go of at `dropped` comes to rest on a monitor with the usable area
    // `visibleFrame`: as high as the content wants and the monitor allows, pushed back inside.
    static QRect restingFrame(const QRect& dropped, const QRect& visibleFrame, int wantedHeight);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static QScreen* screenNearest(QPoint point);
    static int fittedHeight(std::optional<QRect> visibleFrame, int wantedHeight);
    void open(AppModel& appModel, std::function<void()> showSettings);
    void refit();
    void keepInsideScreen();
    void endSuppression();
    void forget();

    PanelTransientHotkeys& m_registry;
    ContentFactory m_contentFactory;
    QPointer<QuickPanelWindow> m_panel;
    QPointer<QuickPanelPinModel> m_pinModel;
    QPointer<QuickPanelHostingView> m_hostingView;
    // Where the panel was last put, and the top it keeps while it fits.
    QRect m_placedFrame;
    int m_anchorTop = 0;
};

} // namespace tolvar
