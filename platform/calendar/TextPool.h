#pragma once

#include "platform/calendar/Participant.h"

#include <QHash>
#include <QMutex>
#include <QSet>
#include <QString>
#include <array>
#include <memory>

namespace platform {

// Hands out one copy of each text and each participant read from the calendar files: titles, places, names,
// addresses and whole attendees repeat over thousands of events, and equal ones then share one copy. Files are
// read on several threads at once.
class TextPool
{
public:
    QString intern(const QString& text);
    std::shared_ptr<const Participant> intern(const Participant& participant);

private:
    // Threads seldom wait for each other when each text's lock is one of many.
    static constexpr size_t shardCount = 16;
    struct Shard
    {
        QMutex mutex;
        QSet<QString> texts;
        QHash<Participant, std::shared_ptr<const Participant>> participants;
    };
    std::array<Shard, shardCount> m_shards;
};

} // namespace platform
