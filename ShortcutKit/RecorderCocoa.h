#pragma once

#include "ShortcutKit/ConflictPolicy.h"
#include "ShortcutKit/Name.h"
#include "ShortcutKit/Shortcut.h"

#include <QLineEdit>
#include <QPointer>
#include <functional>
#include <optional>

class QMessageBox;

namespace ShortcutKit {

class LocalEventMonitor;

// The control with which the user sets a shortcut: a small field that shows the shortcut
// ("Ctrl+Alt+M"), a placeholder when there is none and a button that clears it. Clicking it, tabbing
// into it, or pressing Space on it starts recording: the next key combination is checked against the
// application's menus, the desktop's own shortcuts and the caller's rule, and is then stored and
// reported. Either it works on a name's stored shortcut, or it keeps the shortcut itself and reports
// every change to its owner.
class RecorderCocoa : public QLineEdit
{
    Q_OBJECT
public:
    enum class StorageMode { name = 0, binding = 1 };
    using ChangeAction = std::function<void(const std::optional<Shortcut>&)>;
    using Validator = std::function<ValidationResult(const Shortcut&)>;

    static constexpr int minimumWidth = 130;

    // Works on the name's stored shortcut.
    explicit RecorderCocoa(const Name& name, ChangeAction onChange = {}, QWidget* parent = nullptr);
    // Keeps the shortcut itself; the owner learns of changes through `onChange`.
    explicit RecorderCocoa(
        const std::optional<Shortcut>& shortcut, ChangeAction onChange = {}, QWidget* parent = nullptr);
    ~RecorderCocoa() override;

    StorageMode storageMode() const { return m_storageMode; }

    Name shortcutName() const { return m_shortcutName; }
    // Shows the new name's shortcut when its raw value differs from the old one.
    void setShortcutName(const Name& name);

    std::optional<Shortcut> shortcut() const;
    // Writes through to the store or the kept shortcut and shows it; never calls onChange.
    void setShortcut(const std::optional<Shortcut>& shortcut);

    // Read at every recorded key.
    void setValidateShortcut(Validator validator) { m_validateShortcut = std::move(validator); }
    void setOnChange(ChangeAction onChange) { m_onChange = std::move(onChange); }
    ConflictPolicy conflictPolicy() const { return m_conflictPolicy; }
    void setConflictPolicy(const ConflictPolicy& policy) { m_conflictPolicy = policy; }

    bool isRecording() const { return m_eventMonitor != nullptr; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    RecorderCocoa(StorageMode mode, const Name& name, const std::optional<Shortcut>& shortcut, ChangeAction onChange,
        QWidget* parent);

    void updateStringValue();
    void updateCancelButton();
    void startRecording();
    void endRecording();
    void giveUpFocus();
    void recordAgain();
    void clearByUser();
    bool handleRecordingEvent(QObject* receiver, QEvent* event);
    bool handleRecordingKey(const QKeyEvent& event);
    void beep();

    // The checks after a key, from the given one on; an alert that the user answers with "Use Anyway"
    // carries on with the next check.
    enum class Check { menuItem, disallowed, systemShortcut, caller };
    void validate(const Shortcut& shortcut, Check from);
    void accept(const Shortcut& shortcut);
    void presentConflictAlert(ConflictBehavior behavior, const QString& message, const QString& informativeText,
        std::function<void()> onAccepted);
    // Without `onForcedUse` the alert only informs; with it, it offers "Use Anyway", which calls it.
    void showAlert(const QString& message, const QString& informativeText, std::function<void()> onForcedUse);

    ChangeAction m_onChange;
    StorageMode m_storageMode;
    std::optional<Shortcut> m_bindingShortcut;
    LocalEventMonitor* m_eventMonitor = nullptr;
    std::optional<Shortcut> m_shortcutBeforeRecording;
    Validator m_validateShortcut;
    ConflictPolicy m_conflictPolicy = ConflictPolicy::default_;
    Name m_shortcutName;
    QAction* m_cancelButton = nullptr;
    // Set from an alert's end until the window's focus comes back to the control, which then starts a
    // recording whatever the focus reason; dropped when the user turns to another application meanwhile.
    bool m_recordOnFocus = false;
};

} // namespace ShortcutKit
