#pragma once

#include "platform/cloud/UbiquitousKeyValueStore.h"

#include <QFutureInterface>

namespace platform {

// An account that tests sign in and out at will; signed in unless told otherwise.
class TestCloudAccount final : public CloudAccount
{
public:
    explicit TestCloudAccount(std::optional<QByteArray> token = QByteArray("test-account"))
        : m_token(std::move(token))
    { }

    std::optional<QByteArray> ubiquityIdentityToken() const override
    {
        return m_known.isFinished() ? m_token : std::nullopt;
    }
    bool isKnown() const override { return m_known.isFinished(); }
    QFuture<void> known() const override { return m_known.future(); }
    // std::nullopt signs out.
    void setToken(std::optional<QByteArray> token) { m_token = std::move(token); }
    // Not known until makeKnown().
    void makeUnknown()
    {
        m_known = QFutureInterface<void>();
        m_known.reportStarted();
    }
    void makeKnown() { m_known.reportFinished(); }

private:
    std::optional<QByteArray> m_token;
    mutable QFutureInterface<void> m_known { QFutureInterfaceBase::State(
        QFutureInterfaceBase::Started | QFutureInterfaceBase::Finished) };
};

} // namespace platform
