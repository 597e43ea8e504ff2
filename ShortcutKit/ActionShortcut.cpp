#include "ShortcutKit/ActionShortcut.h"

#include "ShortcutKit/Notifier.h"
#include "ShortcutKit/ShortcutKit.h"

#include <QAction>

namespace ShortcutKit {

namespace {
// The state of an action that follows a name; a child of the action, so it goes with it.
class ActionFollower : public QObject
{
    Q_OBJECT
public:
    ActionFollower(QAction& action, const Name& name)
        : QObject(&action)
        , fallback(action.shortcuts())
        , name(name)
    { }

    // The action's own shortcuts from before the first name it followed.
    const QList<QKeySequence> fallback;
    Name name;
    QMetaObject::Connection observer;
};

ActionFollower* followerOf(const QAction& action)
{
    return action.findChild<ActionFollower*>(QString(), Qt::FindDirectChildrenOnly);
}

void applyName(QAction& action, const ActionFollower& follower)
{
    if (const std::optional<Shortcut> shortcut = getShortcut(follower.name))
        action.setShortcut(shortcut->toKeySequence().value_or(QKeySequence()));
    else
        action.setShortcuts(follower.fallback);
}
} // namespace

void setShortcutFor(QAction& action, const std::optional<Name>& name)
{
    ActionFollower* follower = followerOf(action);
    if (!name) {
        if (follower) {
            action.setShortcuts(follower->fallback);
            delete follower;
        }
        return;
    }
    if (follower) {
        QObject::disconnect(follower->observer);
        follower->name = *name;
    } else {
        follower = new ActionFollower(action, *name);
    }
    applyName(action, *follower);
    follower->observer = QObject::connect(
        &notifier(), &Notifier::shortcutByNameDidChange, follower, [&action, follower](const Name& changed) {
            if (changed == follower->name)
                applyName(action, *follower);
        });
}

void setShortcut(QAction& action, const std::optional<Shortcut>& shortcut)
{
    delete followerOf(action);
    action.setShortcut(shortcut ? shortcut->toKeySequence().value_or(QKeySequence()) : QKeySequence());
}

std::optional<Name> followedName(const QAction& action)
{
    if (const ActionFollower* follower = followerOf(action))
        return follower->name;
    return std::nullopt;
}

} // namespace ShortcutKit

#include "ActionShortcut.moc"
