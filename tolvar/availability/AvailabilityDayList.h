#pragma once

#include "tolvar/availability/AvailabilitySlot.h"
#include "tolvar/style/PaintedElements.h"
#include "tolvar/style/WrappedText.h"

#include <QList>
#include <QSet>
#include <QWidget>
#include <functional>

namespace tolvar {

// The scrolling part of the availability card: one section per day, titled, with a chip per slot.
// Only free chips take clicks; every chip explains itself in its tooltip.
class AvailabilityDayList : public QWidget, public PaintedElements
{
    Q_OBJECT
public:
    static constexpr qreal sidePadding = 16;
    static constexpr qreal minimumChipWidth = 92;
    static constexpr qreal chipSpacing = 6;

    struct Section
    {
        QString title;
        QList<AvailabilitySlot> daySlots;
    };
    // What a chip shows: its label and tooltip, from the card.
    struct ChipTexts
    {
        std::function<QString(const AvailabilitySlot&)> label;
        std::function<QString(const AvailabilitySlot&)> help;
    };

    explicit AvailabilityDayList(ChipTexts texts, QWidget* parent = nullptr);

    // `onToggle` gets the clicked free slot and whether it showed as picked.
    void setOnToggle(std::function<void(const AvailabilitySlot&, bool)> onToggle) { m_onToggle = std::move(onToggle); }
    void setContent(QList<Section> sections, QSet<QString> selectedIDs);
    // The chips' column keeps this width whether or not the scroll bar shows beside it.
    void setContentWidth(qreal width);
    // In this widget's coordinates; empty when no chip shows the slot.
    QRectF chipRect(const QString& slotID) const;
    // The chip's text and tooltip joined, as assistive technology reads it.
    QString accessibleLabel(const AvailabilitySlot& slot) const;
    int columnCount() const;

    // The day titles and the chips, which change with the content.
    QList<PaintedElement> accessibleElements() const override;
    void pressAccessibleElement(const QString& id) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Chip
    {
        AvailabilitySlot slot;
        QRectF rect;
        WrappedText text;
    };
    struct Title
    {
        QString text;
        QRectF rect;
    };

    void relayout();
    const Chip* chipAt(const QPointF& point) const;

    ChipTexts m_texts;
    std::function<void(const AvailabilitySlot&, bool)> m_onToggle;
    qreal m_contentWidth = 0;
    QList<Section> m_sections;
    QSet<QString> m_selectedIDs;
    QList<Title> m_titles;
    QList<Chip> m_chips;
    QString m_pressedID;
};

} // namespace tolvar
