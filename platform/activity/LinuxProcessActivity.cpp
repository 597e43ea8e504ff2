#include "platform/activity/LinuxProcessActivity.h"

namespace platform {

ProcessActivity::Token LinuxProcessActivity::begin(quint64, const QString&)
{
    const Token token = m_nextToken++;
    m_active.insert(token);
    return token;
}

} // namespace platform
