#include "tolvar/style/PaintedWidgetAccessible.h"

#include <QWidget>

namespace tolvar {

namespace {

// One painted element; it asks its parent for the element's current data on every call.
class PaintedElementAccessible : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    PaintedElementAccessible(PaintedWidgetAccessible* parent, int index)
        : m_parent(parent)
        , m_index(index)
    { }

    bool isValid() const override { return m_parent->isValid(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_parent->window(); }
    QAccessibleInterface* parent() const override { return m_parent; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override { }
    QAccessible::Role role() const override { return element().role; }
    QRect rect() const override { return m_parent->screenRect(element().rect); }

    QString text(QAccessible::Text type) const override
    {
        if (type == QAccessible::Name)
            return element().name;
        if (type == QAccessible::Description)
            return element().toolTip;
        return {};
    }

    QAccessible::State state() const override
    {
        const PaintedElement element = this->element();
        QAccessible::State state;
        state.disabled = !element.enabled;
        state.focusable = isButton();
        state.selectable = isButton();
        state.selected = element.selected;
        state.focused = element.selected && m_parent->widgetHasFocus();
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ActionInterface && isButton())
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    QStringList actionNames() const override
    {
        if (!element().enabled)
            return {};
        return { pressAction() };
    }

    void doAction(const QString& actionName) override
    {
        if (actionName == pressAction())
            m_parent->press(m_index);
    }

    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    PaintedElement element() const { return m_parent->element(m_index); }
    bool isButton() const { return element().role == QAccessible::Button; }

    PaintedWidgetAccessible* m_parent;
    int m_index;
};

QAccessibleInterface* paintedWidgetFactory(const QString&, QObject* object)
{
    auto* widget = qobject_cast<QWidget*>(object);
    auto* painted = dynamic_cast<PaintedElements*>(object);
    if (!widget || !painted)
        return nullptr;
    return new PaintedWidgetAccessible(widget, painted);
}

int selectedIndex(const QList<PaintedElement>& elements)
{
    for (int index = 0; index < elements.size(); ++index) {
        if (elements.at(index).selected)
            return index;
    }
    return -1;
}

} // namespace

PaintedWidgetAccessible::PaintedWidgetAccessible(QWidget* widget, PaintedElements* painted)
    : QAccessibleWidget(widget)
    , m_painted(painted)
{ }

PaintedWidgetAccessible::~PaintedWidgetAccessible()
{
    for (const QAccessible::Id id : std::as_const(m_children))
        QAccessible::deleteAccessibleInterface(id);
}

void PaintedWidgetAccessible::install()
{
    // Qt ignores a factory that is already installed.
    QAccessible::installFactory(paintedWidgetFactory);
}

void PaintedWidgetAccessible::announceSelection(QWidget* widget)
{
    auto* painted = dynamic_cast<PaintedElements*>(widget);
    if (!QAccessible::isActive() || !painted)
        return;
    const int index = selectedIndex(painted->accessibleElements());
    if (index < 0)
        return;
    // Only the screen with the keyboard focus speaks; the others just move their selection.
    QAccessibleEvent event(widget, widget->hasFocus() ? QAccessible::Focus : QAccessible::Selection);
    event.setChild(index);
    QAccessible::updateAccessibility(&event);
}

void PaintedWidgetAccessible::announceNameChanges(QWidget* widget, const QStringList& ids)
{
    auto* painted = dynamic_cast<PaintedElements*>(widget);
    if (!QAccessible::isActive() || !painted)
        return;
    const QList<PaintedElement> elements = painted->accessibleElements();
    for (int index = 0; index < elements.size(); ++index) {
        if (!ids.contains(elements.at(index).id))
            continue;
        QAccessibleEvent event(widget, QAccessible::NameChanged);
        event.setChild(index);
        QAccessible::updateAccessibility(&event);
    }
}

int PaintedWidgetAccessible::paintedCount() const
{
    return int(m_painted->accessibleElements().size());
}

int PaintedWidgetAccessible::childCount() const
{
    return paintedCount() + QAccessibleWidget::childCount();
}

QAccessibleInterface* PaintedWidgetAccessible::child(int index) const
{
    const int painted = paintedCount();
    if (index < 0)
        return nullptr;
    if (index >= painted)
        return QAccessibleWidget::child(index - painted);
    if (!m_children.contains(index)) {
        auto* self = const_cast<PaintedWidgetAccessible*>(this);
        m_children.insert(index, QAccessible::registerAccessibleInterface(new PaintedElementAccessible(self, index)));
    }
    return QAccessible::accessibleInterface(m_children.value(index));
}

int PaintedWidgetAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    for (auto it = m_children.cbegin(); it != m_children.cend(); ++it) {
        if (QAccessible::accessibleInterface(it.value()) == child)
            return it.key();
    }
    const int index = QAccessibleWidget::indexOfChild(child);
    return index < 0 ? -1 : paintedCount() + index;
}

QAccessibleInterface* PaintedWidgetAccessible::focusChild() const
{
    if (widgetHasFocus()) {
        const int index = selectedIndex(m_painted->accessibleElements());
        if (index >= 0)
            return child(index);
    }
    return QAccessibleWidget::focusChild();
}

PaintedElement PaintedWidgetAccessible::element(int index) const
{
    return m_painted->accessibleElements().value(index);
}

QRect PaintedWidgetAccessible::screenRect(const QRectF& rect) const
{
    return QRectF(widget()->mapToGlobal(rect.topLeft()), rect.size()).toAlignedRect();
}

bool PaintedWidgetAccessible::widgetHasFocus() const
{
    return widget()->hasFocus();
}

void PaintedWidgetAccessible::press(int index) const
{
    const PaintedElement element = this->element(index);
    if (element.role == QAccessible::Button && element.enabled)
        m_painted->pressAccessibleElement(element.id);
}

} // namespace tolvar
