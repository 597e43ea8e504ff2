#pragma once

#include "platform/activity/ProcessActivity.h"

#include <QList>
#include <QSet>

namespace platform {

// Records every begin and end for tests.
class MemoryProcessActivity final : public ProcessActivity
{
public:
    struct Begun
    {
        Token token;
        quint64 options;
        QString reason;
    };

    Token begin(quint64 options, const QString& reason) override;
    void end(Token token) override;

    QList<Begun> begun() const { return m_begun; }
    QList<Token> ended() const { return m_ended; }
    bool isHeld() const { return !m_active.isEmpty(); }
    qsizetype activeCount() const { return m_active.size(); }

private:
    QList<Begun> m_begun;
    QList<Token> m_ended;
    QSet<Token> m_active;
    Token m_nextToken = 1;
};

} // namespace platform
