#pragma once

#include "platform/calendar/RuleExpansion.h"

#include <QFuture>
#include <QObject>
#include <QThreadPool>

namespace platform {

// Expands away from the main thread the rules that are not quick, and the starts that ranges move into a window
// from elsewhere, each series within a time budget, and says when the last one under way is done so that the
// store can be asked again.
class RuleExpansionWorker : public QObject
{
    Q_OBJECT
public:
    // What one series may spend; libical may overrun it by one step of its iterator.
    static constexpr int budgetMSecs = 250;

    explicit RuleExpansionWorker(QObject* parent = nullptr);
    ~RuleExpansionWorker() override;

    QFuture<RuleStarts> expand(QList<RuleExpansion> rules, QList<RuleWindow> windows);
    // True from an expansion's start until `finished` is said: answers given meanwhile lack its starts.
    bool isExpanding() const { return m_running > 0; }

Q_SIGNALS:
    void finished();

private:
    QThreadPool m_pool;
    int m_running = 0;
};

} // namespace platform
