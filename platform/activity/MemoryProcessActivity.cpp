#include "platform/activity/MemoryProcessActivity.h"

namespace platform {

ProcessActivity::Token MemoryProcessActivity::begin(quint64 options, const QString& reason)
{
    const Token token = m_nextToken++;
    m_begun.append({ token, options, reason });
    m_active.insert(token);
    return token;
}

void MemoryProcessActivity::end(Token token)
{
    m_ended.append(token);
    m_active.remove(token);
}

} // namespace platform
