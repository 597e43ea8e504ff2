#include "platform/calendar/RuleExpansionWorker.h"

#include <QtConcurrent/QtConcurrentRun>

namespace platform {

RuleExpansionWorker::RuleExpansionWorker(QObject* parent)
    : QObject(parent)
{
    // Apart from the pool that reads the files, so that rules that take long never hold up a read.
    m_pool.setMaxThreadCount(2);
}

RuleExpansionWorker::~RuleExpansionWorker()
{
    m_pool.clear();
    m_pool.waitForDone();
}

QFuture<RuleStarts> RuleExpansionWorker::expand(QList<RuleExpansion> rules, Date from, Date to)
{
    QFuture<RuleStarts> future = QtConcurrent::run(&m_pool, [rules = std::move(rules), from, to] {
        const QDeadlineTimer deadline(budgetMSecs);
        RuleStarts result;
        for (const RuleExpansion& rule : rules)
            rule.append(from, to, result, deadline);
        return result;
    });
    ++m_running;
    future.then(this, [this](const RuleStarts&) {
        if (--m_running == 0)
            Q_EMIT finished();
    });
    return future;
}

} // namespace platform
