#pragma once

#include <QString>
#include <optional>

namespace platform {

// Whether the application starts when the user logs in.
class LoginItem
{
public:
    enum class Status { notRegistered, enabled, requiresApproval, notFound };

    virtual ~LoginItem() = default;

    // Each returns the failure's description, or nothing on success.
    virtual std::optional<QString> registerItem() = 0;
    virtual std::optional<QString> unregisterItem() = 0;
    virtual Status status() const = 0;
};

} // namespace platform
