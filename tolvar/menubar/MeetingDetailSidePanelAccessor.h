#pragma once

#include "tolvar/menubar/DetailPopupSide.h"
#include "tolvar/model/MeetingSnapshot.h"

#include <QPointer>
#include <QRectF>
#include <QWidget>
#include <functional>
#include <optional>

namespace tolvar {

// Owns the panel that shows a meeting's detail card beside the main panel, level with the hovered
// row: a frameless window of its own, transient for the main panel's window, placed again whenever
// that window moves, and taken down with it. It draws nothing where it sits.
class MeetingDetailSidePanelAccessor : public QWidget
{
    Q_OBJECT
public:
    // Builds the card for one meeting; the card reports the pointer over it through `onHoverChange`.
    using CardFactory = std::function<QWidget*(const MeetingSnapshot& meeting, const QString& timeLabel,
        bool showAllAttendees, std::function<void()> onShowAllAttendees, std::function<void(bool)> onHoverChange)>;

    struct Values
    {
        std::optional<MeetingSnapshot> meeting;
        std::optional<QString> timeLabel;
        DetailPopupSide side = DetailPopupSide::trailing;
        // The hovered row, in the coordinates of the main panel's window.
        std::optional<QRectF> anchorFrame;
        int detailWidth = 280;
        int gap = 8;
        bool hideFromCapture = false;
        bool showAllAttendees = false;

        bool operator==(const Values&) const = default;
    };

    static constexpr int minimumHeight = 44;
    static constexpr int screenMargin = 24;
    static constexpr int minimumMaximumHeight = 120;

    explicit MeetingDetailSidePanelAccessor(CardFactory cardFactory, QWidget* parent = nullptr);
    ~MeetingDetailSidePanelAccessor() override;

    // The view update: new values and actions; the panel follows on the next turn of the event loop,
    // once the main panel's layout has settled.
    void update(Values values, std::function<void()> onShowAllAttendees, std::function<void(bool)> onHoverChange);
    // Takes the side panel down and forgets it.
    void remove();

    QWidget* sidePanel() const { return m_panel; }
    // Where the side panel goes beside `parentFrame` (global, y down), given its fitting height and
    // the usable area of the parent's screen (empty: no screen).
    static QRect panelFrame(const QRect& parentFrame, const Values& values, int fittingHeight, const QRect& available);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyUpdate();
    void place();

    CardFactory m_cardFactory;
    Values m_values;
    std::function<void()> m_onShowAllAttendees;
    std::function<void(bool)> m_onHoverChange;
    bool m_updateScheduled = false;

    QPointer<QWidget> m_panel;
    QPointer<QWidget> m_card;
    QPointer<QWidget> m_parentWindow;
    // What the panel was last built and placed for; equal values do no work.
    std::optional<Values> m_shown;
    QRect m_shownParentFrame;
};

} // namespace tolvar
