#pragma once

#include "tolvar/style/PaintedElements.h"

#include <QAccessibleWidget>
#include <QHash>

namespace tolvar {

// Exposes the painted elements of a widget (see PaintedElements) as its accessible children, ahead of
// its real child widgets.
class PaintedWidgetAccessible : public QAccessibleWidget
{
public:
    PaintedWidgetAccessible(QWidget* widget, PaintedElements* painted);
    ~PaintedWidgetAccessible() override;

    // Lets every widget that implements PaintedElements get this interface; safe to call often.
    static void install();
    // Tells assistive technology which element now holds the keyboard focus.
    static void announceSelection(QWidget* widget);
    // Tells assistive technology that the names of these elements changed.
    static void announceNameChanges(QWidget* widget, const QStringList& ids);

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* focusChild() const override;

    PaintedElement element(int index) const;
    QRect screenRect(const QRectF& rect) const;
    bool widgetHasFocus() const;
    void press(int index) const;

private:
    int paintedCount() const;

    PaintedElements* m_painted;
    mutable QHash<int, QAccessible::Id> m_children;
};

} // namespace tolvar
