#pragma once

#include "tolvar/menubar/MeetingDisplay.h"

#include <QHash>
#include <QRectF>
#include <QWidget>

class QVBoxLayout;

namespace tolvar {

class SectionHeader;

// One titled list of the panel: NOW or NEXT as large cards, UPCOMING or another day as compact
// rows. A meeting keeps its card or row across rebuilds while the list's ids stay the same.
class MeetingSection : public QWidget
{
    Q_OBJECT
public:
    enum class Style { nowCards, nextCards, rows };

    MeetingSection(Style style, int spacing, QWidget* parent = nullptr);

    SectionHeader* header() const { return m_header; }
    void setTitle(const QString& text, const QColor& color);
    void setMeetings(const QList<MeetingDisplay>& meetings);
    // The card or row of each meeting, by id.
    const QList<QWidget*>& items() const { return m_items; }
    QStringList ids() const { return m_ids; }
    // Each item's frame in `ancestor`'s coordinates.
    QHash<QString, QRectF> itemFrames(const QWidget* ancestor) const;

Q_SIGNALS:
    void activated(const tolvar::MeetingSnapshot& meeting);
    void hoverChanged(const QString& meetingID, bool inside);
    // An item moved or changed size: the frames the detail panel reads are stale.
    void itemGeometryChanged();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* makeItem();
    void setItemDisplay(QWidget* item, const MeetingDisplay& display);

    Style m_style;
    QVBoxLayout* m_layout;
    SectionHeader* m_header;
    QList<QWidget*> m_items;
    QStringList m_ids;
};

} // namespace tolvar
