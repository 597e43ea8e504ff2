#pragma once

#include "ShortcutKit/RecorderCocoa.h"

#include <QBindable>
#include <QPropertyNotifier>
#include <QWidget>
#include <variant>

class QLabel;

namespace ShortcutKit {

// Where a recorder's shortcut lives: a name's stored value, or a caller's bindable property.
using ShortcutSource = std::variant<Name, QBindable<std::optional<Shortcut>>>;

// The recorder control with an optional label before it, one row of a form. A bound recorder never
// touches the user defaults: a recorded shortcut reaches the caller through the property and onChange,
// and a change of the property from outside shows without calling onChange. Its conflict policy is the
// one set on its nearest ancestor (setConflictPolicy below), else the default.
class Recorder : public QWidget
{
    Q_OBJECT
public:
    using ChangeAction = RecorderCocoa::ChangeAction;

    explicit Recorder(const ShortcutSource& source, ChangeAction onChange = {}, QWidget* parent = nullptr);
    Recorder(const QString& title, const ShortcutSource& source, ChangeAction onChange = {}, QWidget* parent = nullptr);
    // With a label of the caller's own making, which the recorder takes over.
    Recorder(QWidget* label, const ShortcutSource& source, ChangeAction onChange = {}, QWidget* parent = nullptr);

    bool hasLabel() const { return m_label != nullptr; }
    QWidget* label() const { return m_label; }
    RecorderCocoa& control() const { return *m_control; }

    // For a recorder of a name: works on another name and shows its shortcut at once.
    void setName(const Name& name);
    void setOnChange(ChangeAction onChange) { m_onChange = std::move(onChange); }
    void setShortcutValidation(RecorderCocoa::Validator validator);

    // Reads the policy of the nearest ancestor again; setConflictPolicy does this for every recorder below.
    void updateConflictPolicy();

protected:
    bool event(QEvent* event) override;

private:
    void reportChange(const std::optional<Shortcut>& shortcut);

    QWidget* m_label = nullptr;
    RecorderCocoa* m_control = nullptr;
    ChangeAction m_onChange;
    std::optional<QBindable<std::optional<Shortcut>>> m_binding;
    QPropertyNotifier m_bindingObserver;
};

// The conflict policy of every recorder inside the widget (unless a nearer ancestor sets its own).
void setConflictPolicy(QWidget& widget, const ConflictPolicy& policy);
// The policy set on the widget or its nearest ancestor that sets one, else the default.
ConflictPolicy conflictPolicy(const QWidget& widget);

} // namespace ShortcutKit
