#include "platform/calendar/TextPool.h"

namespace platform {

QString TextPool::intern(const QString& text)
{
    if (text.isEmpty())
        return text;
    Shard& shard = m_shards[qHash(text) % shardCount];
    const QMutexLocker lock(&shard.mutex);
    const auto found = shard.texts.constFind(text);
    if (found != shard.texts.cend())
        return *found;
    shard.texts.insert(text);
    return text;
}

std::shared_ptr<const Participant> TextPool::intern(const Participant& participant)
{
    Shard& shard = m_shards[qHash(participant) % shardCount];
    const QMutexLocker lock(&shard.mutex);
    std::shared_ptr<const Participant>& shared = shard.participants[participant];
    if (!shared)
        shared = std::make_shared<const Participant>(participant);
    return shared;
}

} // namespace platform
