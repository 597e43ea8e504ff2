#include "platform/cloud/MemoryKeyValueStore.h"

namespace platform {

std::optional<QByteArray> MemoryKeyValueStore::data(const QString& key) const
{
    const auto found = m_values.find(key);
    if (found == m_values.end())
        return std::nullopt;
    return found->second;
}

void MemoryKeyValueStore::setData(const QByteArray& data, const QString& key)
{
    ++m_writeCount;
    m_values.insert_or_assign(key, data);
}

bool MemoryKeyValueStore::synchronize()
{
    ++m_synchronizeCount;
    return true;
}

void MemoryKeyValueStore::setRemoteData(const QByteArray& data, const QString& key)
{
    m_values.insert_or_assign(key, data);
}

void MemoryKeyValueStore::postExternalChange(const QStringList& keys)
{
    Q_EMIT externalChange(keys);
}

} // namespace platform
