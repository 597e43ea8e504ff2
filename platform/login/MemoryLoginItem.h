#pragma once

#include "platform/login/LoginItem.h"

namespace platform {

// A login item for tests: it keeps its status in memory and fails or asks for approval on demand.
class MemoryLoginItem final : public LoginItem
{
public:
    std::optional<QString> registerItem() override;
    std::optional<QString> unregisterItem() override;
    Status status() const override { return m_status; }

    void setStatus(Status status) { m_status = status; }
    // The next register and unregister calls fail with this description; empty lets them succeed.
    void setFailure(const QString& description) { m_failure = description; }
    // A successful registration then waits for the user's approval instead of being enabled.
    void setRegistrationNeedsApproval(bool needsApproval) { m_needsApproval = needsApproval; }

    int registerCount() const { return m_registerCount; }
    int unregisterCount() const { return m_unregisterCount; }

private:
    Status m_status = Status::notRegistered;
    QString m_failure;
    bool m_needsApproval = false;
    int m_registerCount = 0;
    int m_unregisterCount = 0;
};

} // namespace platform
