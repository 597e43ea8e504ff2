#pragma once

#include <QFlags>
#include <QList>
#include <QtGlobal>
#include <functional>
#include <map>
#include <optional>

namespace platform {

// Carbon modifier mask bits, the form in which hot keys are given.
namespace CarbonModifier {
constexpr qint64 command = 0x0100;
constexpr qint64 shift = 0x0200;
constexpr qint64 option = 0x0800;
constexpr qint64 control = 0x1000;
constexpr qint64 function = 0x20000;
} // namespace CarbonModifier

// A four-character code, first character in the most significant byte.
constexpr quint32 fourCharCode(const char (&code)[5])
{
    return quint32(quint8(code[0])) << 24 | quint32(quint8(code[1])) << 16 | quint32(quint8(code[2])) << 8
        | quint32(quint8(code[3]));
}

// `lost`: a registration that could not be grabbed again after a suspension; it is gone.
enum class HotKeyEventKind { pressed = 0x1, released = 0x2, lost = 0x4 };
Q_DECLARE_FLAGS(HotKeyEventKinds, HotKeyEventKind)
Q_DECLARE_OPERATORS_FOR_FLAGS(HotKeyEventKinds)

struct HotKeyEvent
{
    HotKeyEventKind kind;
    quint32 signature;
    quint32 id;
};

// System-wide hot keys, used the way the application's hot-key users expect of an event manager:
// each registration carries a signature and an id, and a press or release goes to the installed
// handlers, newest first, until one of them takes it. Everything happens on the main thread.
class HotKeys
{
public:
    enum class Status {
        ok,
        // Another program holds the combination, or this process has registered it already.
        taken,
        // No key has the key code's place, or the modifiers include one the platform cannot grab.
        invalidKey,
        // There is no display to grab keys on.
        unavailable,
    };
    using Ref = quint64;
    struct Registration
    {
        Status status;
        Ref ref; // 0 unless the status is ok
    };
    // Returns true when the handler took the event; false passes it on to the next handler.
    using Handler = std::function<bool(const HotKeyEvent&)>;
    using HandlerRef = quint64;

    virtual ~HotKeys() = default;

    Registration registerHotKey(qint64 carbonKeyCode, qint64 carbonModifiers, quint32 signature, quint32 id);
    void unregisterHotKey(Ref ref);

    // While suspended, none of this process's combinations is grabbed, so that every key reaches the
    // focused window and no handler hears a press. Registrations stay, and a new one is checked against
    // the other programs' grabs as usual. Resuming grabs them all again; one that another program took
    // meanwhile is dropped and reported to the handlers as `lost`.
    void setSuspended(bool suspended);

    HandlerRef installHandler(HotKeyEventKinds kinds, Handler handler);
    void setHandlerEventKinds(HandlerRef handler, HotKeyEventKinds kinds);
    void removeHandler(HandlerRef handler);

protected:
    // A key by its evdev code, with the Carbon control, option, shift and command bits.
    struct KeyCombination
    {
        int evdevKeyCode;
        qint64 modifiers;
        bool operator==(const KeyCombination&) const = default;
    };

    // Empty when the key code has no place or the modifiers need the function key.
    static std::optional<KeyCombination> combinationFor(qint64 carbonKeyCode, qint64 carbonModifiers);

    virtual Status grab(const KeyCombination& combination) = 0;
    virtual void ungrab(const KeyCombination& combination) = 0;

    // For the backend: whether the combination is registered, and the delivery of its press or release
    // (none while suspended).
    bool isRegistered(const KeyCombination& combination) const;
    QList<KeyCombination> registeredCombinations() const;
    bool deliver(HotKeyEventKind kind, const KeyCombination& combination);
    // Hands an event to the handlers, newest first; true when one took it.
    bool deliver(const HotKeyEvent& event);

private:
    struct Entry
    {
        KeyCombination combination;
        quint32 signature;
        quint32 id;
    };
    struct InstalledHandler
    {
        HotKeyEventKinds kinds;
        Handler handler;
    };

    std::map<Ref, Entry> m_entries;
    std::map<HandlerRef, InstalledHandler> m_handlers;
    Ref m_lastRef = 0;
    HandlerRef m_lastHandlerRef = 0;
    bool m_suspended = false;
};

} // namespace platform
