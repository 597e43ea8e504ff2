#pragma once

#include "platform/cloud/UbiquitousKeyValueStore.h"

#include <map>

namespace platform {

// A shared store in memory for tests, which can also play the other machines.
class MemoryKeyValueStore final : public UbiquitousKeyValueStore
{
    Q_OBJECT
public:
    using UbiquitousKeyValueStore::UbiquitousKeyValueStore;

    std::optional<QByteArray> data(const QString& key) const override;
    void setData(const QByteArray& data, const QString& key) override;
    bool synchronize() override;

    // As if another machine had written the value: not counted as a write, no signal.
    void setRemoteData(const QByteArray& data, const QString& key);
    // Another machine's change arriving: emits externalChange at once.
    void postExternalChange(const QStringList& keys);

    // Calls of setData and synchronize made through the store's interface.
    int writeCount() const { return m_writeCount; }
    int synchronizeCount() const { return m_synchronizeCount; }

private:
    std::map<QString, QByteArray> m_values;
    int m_writeCount = 0;
    int m_synchronizeCount = 0;
};

} // namespace platform
