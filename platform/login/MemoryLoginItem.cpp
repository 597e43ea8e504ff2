#include "platform/login/MemoryLoginItem.h"

namespace platform {

std::optional<QString> MemoryLoginItem::registerItem()
{
    ++m_registerCount;
    if (!m_failure.isEmpty())
        return m_failure;
    m_status = m_needsApproval ? Status::requiresApproval : Status::enabled;
    return std::nullopt;
}

std::optional<QString> MemoryLoginItem::unregisterItem()
{
    ++m_unregisterCount;
    if (!m_failure.isEmpty())
        return m_failure;
    m_status = Status::notRegistered;
    return std::nullopt;
}

} // namespace platform
