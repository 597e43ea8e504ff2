#pragma once

#include "platform/calendar/EventStore.h"

#include <QString>

namespace platform {

// Remembers the access the user gave to events and to reminders, in a file of the store's own.
class CalendarAccessFile
{
public:
    explicit CalendarAccessFile(QString path);

    static QString defaultPath();

    // A missing or unreadable file means nothing was given yet.
    AuthorizationStatus status(EntityType type) const;
    bool grant(EntityType type);

private:
    QString m_path;
};

} // namespace platform
