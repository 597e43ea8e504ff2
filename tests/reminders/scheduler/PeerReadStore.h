#pragma once

#include "platform/cloud/UbiquitousKeyValueStore.h"

#include <QCoro/QCoroSignal>
#include <QHash>

namespace schedulertest {

// A shared store whose other machines' values the test lets in: until then it holds only this machine's writes,
// and every wait for what the others wrote waits, as a folder store's first read of their files does.
class PeerReadStore final : public platform::UbiquitousKeyValueStore
{
    Q_OBJECT
public:
    std::optional<QByteArray> data(const QString& key) const override
    {
        if (m_peersRead && m_peers.contains(key))
            return m_peers.value(key);
        return m_own.contains(key) ? std::optional(m_own.value(key)) : std::nullopt;
    }
    void setData(const QByteArray& data, const QString& key) override { m_own.insert(key, data); }
    bool synchronize() override { return true; }
    QCoro::Task<bool> synchronizeAndWait() override
    {
        if (!m_peersRead)
            co_await qCoro(this, &PeerReadStore::peersRead);
        co_return true;
    }
    bool isReadingPeerFiles() const override { return !m_peersRead; }
    bool hasReadPeerFiles() const override { return m_peersRead; }

    // What the other machines wrote last, which wins over ours once read.
    void setPeerData(const QByteArray& data, const QString& key) { m_peers.insert(key, data); }
    void readPeers()
    {
        m_peersRead = true;
        Q_EMIT peersRead();
        Q_EMIT externalChange(m_peers.keys());
    }

Q_SIGNALS:
    void peersRead();

private:
    QHash<QString, QByteArray> m_own;
    QHash<QString, QByteArray> m_peers;
    bool m_peersRead = false;
};

} // namespace schedulertest
