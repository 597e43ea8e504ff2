#include "ShortcutKit/WidgetShortcuts.h"

#include "ShortcutKit/EventStreams.h"
#include "ShortcutKit/Notifier.h"

#include <QAbstractButton>
#include <QCoro/QCoroTask>
#include <QPointer>

namespace ShortcutKit {

namespace {
// Iterates the stream until it ends with the widget.
QCoro::Task<> forward(
    QCoro::AsyncGenerator<EventType> stream, QPointer<QWidget> widget, std::function<void(EventType)> perform)
{
    QCORO_FOREACH(const EventType type, stream)
    {
        if (!widget)
            break;
        perform(type);
    }
}

void applyShortcut(QAbstractButton& button, const Name& name)
{
    const std::optional<Shortcut> shortcut = isRecorderActive() ? std::nullopt : getShortcut(name);
    button.setShortcut(shortcut ? shortcut->toKeySequence().value_or(QKeySequence()) : QKeySequence());
}
} // namespace

void onKeyboardShortcut(QWidget& widget, const Name& name, std::function<void(EventType)> perform)
{
    // The task runs on by itself and ends with the stream.
    [[maybe_unused]] QCoro::Task<> task = forward(events(name, &widget), &widget, std::move(perform));
}

void onKeyboardShortcut(QWidget& widget, const Name& name, EventType type, std::function<void()> perform)
{
    [[maybe_unused]] QCoro::Task<> task
        = forward(events(type, name, &widget), &widget, [perform = std::move(perform)](EventType) { perform(); });
}

void globalKeyboardShortcut(QAbstractButton& button, const Name& name)
{
    applyShortcut(button, name);
    QObject::connect(&notifier(), &Notifier::shortcutByNameDidChange, &button, [&button, name](const Name& changed) {
        if (changed == name)
            applyShortcut(button, name);
    });
    QObject::connect(&notifier(), &Notifier::recorderActiveStatusDidChange, &button,
        [&button, name] { applyShortcut(button, name); });
}

} // namespace ShortcutKit
