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

} // namespace platform
