#pragma once

#include "platform/files/FileIdentity.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

namespace platform {

struct CalendarFileStamp
{
    QString path;
    FileIdentity identity;

    bool operator==(const CalendarFileStamp&) const = default;
};

// A folder of .ics items (one calendar or task list), or a single .ics file in the root.
struct CalendarCollection
{
    // The path relative to the root: stays the same across restarts and machines.
    QString identifier;
    // Empty for a single file: its title comes from its content.
    QString title;
    QString sourceTitle;
    // Lower-case addresses under which the user appears as an attendee.
    QSet<QString> ownerAddresses;
    bool isSingleFile = false;
    QList<CalendarFileStamp> files;

    bool operator==(const CalendarCollection&) const = default;
};

// A folder below the root that the scan did not look into, and why.
struct UnreadFolder
{
    enum class Reason {
        tooDeep,
        tooManyFolders,
        readAlready,
        leadsToItsHolder,
        unreadable,
    };

    QString path;
    Reason reason = Reason::unreadable;

    bool operator==(const UnreadFolder&) const = default;
};

inline size_t qHash(const UnreadFolder& folder, size_t seed = 0)
{
    return qHashMulti(seed, folder.path, int(folder.reason));
}

// The layout of the calendar root as it is on disk: single files and collections in the root, and collections
// in the folders below it at any depth a layout has (accounts, accounts grouped by provider, folders inside a
// calendar). A collection's account is the folder that holds it. A link back to a folder read already, or to
// one that holds the folder being read, is not followed.
struct CalendarFolder
{
    QList<CalendarCollection> collections;
    // Every folder read, the root's parent first when the root is missing, so a new one is noticed.
    QStringList folders;
    // The folders left unread, each once.
    QList<UnreadFolder> unread;

    bool operator==(const CalendarFolder&) const = default;

    // Told of each folder just before the scan looks into it, so that a watch set up then misses nothing
    // written there later.
    using Entering = std::function<void(const QString& folder)>;

    static CalendarFolder scan(const QString& root, const Entering& entering = {});

    // Logs the folders left unread that `before` did not leave unread for the same reason, so that a folder is
    // told of once however often the root is read again; many for one reason are told of as a count.
    void logUnreadSince(const CalendarFolder& before) const;
};

} // namespace platform
