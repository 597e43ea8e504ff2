#include "platform/defaults/MemoryUserDefaults.h"

namespace platform {

std::optional<UserDefaults::Value> MemoryUserDefaults::value(const QString& key) const
{
    const auto found = m_values.find(key);
    if (found == m_values.end())
        return std::nullopt;
    return found->second;
}

void MemoryUserDefaults::setValue(const QString& key, const Value& value)
{
    m_values.insert_or_assign(key, value);
    Q_EMIT changed(key);
}

void MemoryUserDefaults::remove(const QString& key)
{
    if (m_values.erase(key) > 0)
        Q_EMIT changed(key);
}

QStringList MemoryUserDefaults::keys() const
{
    QStringList result;
    for (const auto& entry : m_values)
        result.append(entry.first);
    return result;
}

} // namespace platform
