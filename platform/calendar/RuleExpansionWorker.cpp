#include "platform/calendar/RuleExpansionWorker.h"

#include "platform/ThreadHandOver.h"

#include <QFutureWatcher>
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

QFuture<RuleStarts> RuleExpansionWorker::expand(QList<RuleExpansion> rules, QList<RuleWindow> windows)
{
    QFuture<RuleStarts> future
        = QtConcurrent::run(&m_pool, handedOver([rules = std::move(rules), windows = std::move(windows)] {
              const QDeadlineTimer deadline(budgetMSecs);
              RuleStarts result;
              for (const RuleExpansion& rule : rules) {
                  for (const RuleWindow& window : windows) {
                      // Rules expanded by the day stop only at their amount of work, which many windows multiply.
                      if (deadline.hasExpired()) {
                          result.complete = false;
                          return result;
                      }
                      rule.append(window.from, window.to, result, deadline);
                  }
              }
              return result;
          }));
    ++m_running;
    // Qt 6.4 can run a continuation twice when it is attached just as the job ends; a watcher connected before it
    // is given the future hears of the end once.
    auto* watcher = new QFutureWatcher<RuleStarts>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        if (--m_running == 0)
            Q_EMIT finished();
    });
    watcher->setFuture(future);
    return future;
}

} // namespace platform
