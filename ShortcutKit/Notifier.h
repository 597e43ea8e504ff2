#pragma once

#include "ShortcutKit/Name.h"

#include <QObject>

namespace ShortcutKit {

class Notifier : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

Q_SIGNALS:
    // After a name's stored shortcut was written (set, cleared, removed or reset).
    void shortcutByNameDidChange(const ShortcutKit::Name& name);
    void recorderActiveStatusDidChange(bool isActive);
};

} // namespace ShortcutKit
