#pragma once

#include <QMutex>
#include <QSet>
#include <QString>
#include <array>

namespace platform {

// Hands out one copy of each text read from the calendar files: titles, places, names and addresses repeat
// over thousands of events, and equal texts then share one buffer. Files are read on several threads at once.
class TextPool
{
public:
    QString intern(const QString& text);

private:
    // Threads seldom wait for each other when each text's lock is one of many.
    static constexpr size_t shardCount = 16;
    struct Shard
    {
        QMutex mutex;
        QSet<QString> texts;
    };
    std::array<Shard, shardCount> m_shards;
};

} // namespace platform
