#pragma once

#include "platform/activity/ProcessActivity.h"

#include <QSet>

namespace platform {

// Nothing throttles a Linux process in the background, so an activity is only kept track of.
class LinuxProcessActivity final : public ProcessActivity
{
public:
    Token begin(quint64 options, const QString& reason) override;
    void end(Token token) override { m_active.remove(token); }

    bool isActive(Token token) const { return m_active.contains(token); }
    qsizetype activeCount() const { return m_active.size(); }

private:
    QSet<Token> m_active;
    Token m_nextToken = 1;
};

} // namespace platform
