#pragma once

#include "platform/cloud/UbiquitousKeyValueStore.h"

namespace platform {

// An account that tests sign in and out at will; signed in unless told otherwise.
class TestCloudAccount final : public CloudAccount
{
public:
    explicit TestCloudAccount(std::optional<QByteArray> token = QByteArray("test-account"))
        : m_token(std::move(token))
    { }

    std::optional<QByteArray> ubiquityIdentityToken() const override { return m_token; }
    // std::nullopt signs out.
    void setToken(std::optional<QByteArray> token) { m_token = std::move(token); }

private:
    std::optional<QByteArray> m_token;
};

} // namespace platform
