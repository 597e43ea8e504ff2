#include "ShortcutKit/Recorder.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>

namespace ShortcutKit {

namespace {
const char policyProperty[] = "ShortcutKit_conflictPolicy";

QVariant packed(const ConflictPolicy& policy)
{
    return QList<QVariant> { int(policy.menuItem), int(policy.systemShortcut), int(policy.disallowed) };
}

ConflictPolicy unpacked(const QVariant& value)
{
    const QList<QVariant> behaviors = value.toList();
    return { ConflictBehavior(behaviors.value(0).toInt()), ConflictBehavior(behaviors.value(1).toInt()),
        ConflictBehavior(behaviors.value(2).toInt()) };
}
} // namespace

Recorder::Recorder(const ShortcutSource& source, ChangeAction onChange, QWidget* parent)
    : Recorder(static_cast<QWidget*>(nullptr), source, std::move(onChange), parent)
{ }

Recorder::Recorder(const QString& title, const ShortcutSource& source, ChangeAction onChange, QWidget* parent)
    : Recorder(new QLabel(title), source, std::move(onChange), parent)
{ }

Recorder::Recorder(QWidget* label, const ShortcutSource& source, ChangeAction onChange, QWidget* parent)
    : QWidget(parent)
    , m_label(label)
    , m_onChange(std::move(onChange))
{
    const auto report = [this](const std::optional<Shortcut>& shortcut) { reportChange(shortcut); };
    if (const auto* name = std::get_if<Name>(&source)) {
        m_control = new RecorderCocoa(*name, report, this);
    } else {
        m_binding = std::get<QBindable<std::optional<Shortcut>>>(source);
        m_control = new RecorderCocoa(m_binding->value(), report, this);
        m_bindingObserver = m_binding->addNotifier([this] { m_control->setShortcut(m_binding->value()); });
    }
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins({});
    if (m_label) {
        row->addWidget(m_label, 0, Qt::AlignBaseline);
        if (auto* text = qobject_cast<QLabel*>(m_label))
            text->setBuddy(m_control);
    }
    row->addWidget(m_control, 0, Qt::AlignBaseline);
    row->addStretch();
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    updateConflictPolicy();
}

void Recorder::setName(const Name& name)
{
    m_control->setShortcutName(name);
}

void Recorder::setShortcutValidation(RecorderCocoa::Validator validator)
{
    m_control->setValidateShortcut(std::move(validator));
}

void Recorder::reportChange(const std::optional<Shortcut>& shortcut)
{
    if (m_binding)
        m_binding->setValue(shortcut);
    if (m_onChange)
        m_onChange(shortcut);
}

void Recorder::updateConflictPolicy()
{
    m_control->setConflictPolicy(conflictPolicy(*this));
}

bool Recorder::event(QEvent* event)
{
    if (event->type() == QEvent::ParentChange)
        updateConflictPolicy();
    return QWidget::event(event);
}

void setConflictPolicy(QWidget& widget, const ConflictPolicy& policy)
{
    widget.setProperty(policyProperty, packed(policy));
    for (Recorder* recorder : widget.findChildren<Recorder*>())
        recorder->updateConflictPolicy();
    if (auto* recorder = qobject_cast<Recorder*>(&widget))
        recorder->updateConflictPolicy();
}

ConflictPolicy conflictPolicy(const QWidget& widget)
{
    for (const QWidget* ancestor = &widget; ancestor; ancestor = ancestor->parentWidget()) {
        const QVariant value = ancestor->property(policyProperty);
        if (value.isValid())
            return unpacked(value);
    }
    return ConflictPolicy::default_;
}

} // namespace ShortcutKit
