#pragma once

#include <QAccessible>
#include <QList>
#include <QRectF>
#include <QString>

namespace tolvar {

// A text or button that a widget paints itself, as assistive technology should see it.
struct PaintedElement
{
    QString id;
    QAccessible::Role role = QAccessible::StaticText;
    QString name;
    // In the widget's own coordinates.
    QRectF rect;
    QString toolTip;
    bool enabled = true;
    // Holds the overlay's keyboard focus.
    bool selected = false;

    static PaintedElement text(const QString& id, const QString& name, const QRectF& rect)
    {
        PaintedElement element;
        element.id = id;
        element.name = name;
        element.rect = rect;
        return element;
    }

    static PaintedElement button(
        const QString& id, const QString& name, const QRectF& rect, bool enabled = true, bool selected = false)
    {
        PaintedElement element = text(id, name, rect);
        element.role = QAccessible::Button;
        element.enabled = enabled;
        element.selected = selected;
        return element;
    }
};

// Implemented by widgets that paint their texts and buttons instead of using child widgets, so that
// PaintedWidgetAccessible can expose them.
class PaintedElements
{
public:
    // In reading order; the same number of elements for the life of the widget.
    virtual QList<PaintedElement> accessibleElements() const = 0;
    // Does what a click on the element does.
    virtual void pressAccessibleElement(const QString& id) = 0;

protected:
    ~PaintedElements() = default;
};

} // namespace tolvar
