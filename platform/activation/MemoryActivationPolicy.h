#pragma once

#include "platform/activation/ActivationPolicy.h"

#include <QList>

namespace platform {

// An activation policy for tests: it starts where the test puts it and keeps every change made.
class MemoryActivationPolicy final : public ActivationPolicy
{
public:
    explicit MemoryActivationPolicy(Policy initial = Policy::accessory)
        : m_policy(initial)
    { }

    Policy policy() const override { return m_policy; }
    void setPolicy(Policy policy) override
    {
        m_policy = policy;
        m_changes.append(policy);
    }

    QList<Policy> changes() const { return m_changes; }

private:
    Policy m_policy;
    QList<Policy> m_changes;
};

} // namespace platform
