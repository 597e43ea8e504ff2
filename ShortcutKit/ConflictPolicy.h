#pragma once

#include <QString>
#include <QtGlobal>

namespace ShortcutKit {

// What a recorder does when a recorded shortcut collides with something.
enum class ConflictBehavior : quint8 {
    block = 0, // show an alert and refuse the shortcut
    warn = 1, // show an alert that offers to use the shortcut anyway
    allow = 2, // accept without an alert
};

struct ConflictPolicy
{
    // An action of the application's menus uses the shortcut.
    ConflictBehavior menuItem;
    // The desktop binds the shortcut itself.
    ConflictBehavior systemShortcut;
    // The operating system refuses option-only shortcuts (never on Linux).
    ConflictBehavior disallowed;

    // The default policy; `default` itself is a C++ keyword.
    static const ConflictPolicy default_;
    static const ConflictPolicy allowAll;

    bool operator==(const ConflictPolicy&) const = default;
};

inline const ConflictPolicy ConflictPolicy::default_ { ConflictBehavior::block, ConflictBehavior::warn,
    ConflictBehavior::block };
inline const ConflictPolicy ConflictPolicy::allowAll { ConflictBehavior::allow, ConflictBehavior::allow,
    ConflictBehavior::allow };

// A caller's answer whether a recorded shortcut may be used.
class ValidationResult
{
public:
    static ValidationResult allow() { return ValidationResult(true, {}); }
    // Refuses the shortcut; the reason is shown to the user as it stands.
    static ValidationResult disallow(const QString& reason) { return ValidationResult(false, reason); }

    bool isAllowed() const { return m_allowed; }
    QString reason() const { return m_reason; }

    bool operator==(const ValidationResult&) const = default;

private:
    ValidationResult(bool allowed, const QString& reason)
        : m_allowed(allowed)
        , m_reason(reason)
    { }

    bool m_allowed;
    QString m_reason;
};

} // namespace ShortcutKit
