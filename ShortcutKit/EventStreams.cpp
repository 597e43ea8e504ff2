#include "ShortcutKit/EventStreams.h"

#include "ShortcutKit/StreamTables.h"
#include "platform/keyboard/KeyRepeat.h"
#include "platform/time/SystemClock.h"

#include <QCoreApplication>
#include <QObject>
#include <coroutine>
#include <deque>

namespace ShortcutKit {

namespace {
// What a stream's registry actions hand to its generator: the events in order, whether a repeat is
// due, and whether the stream was ended from outside. The generator waits on it between elements; it
// is woken from the event loop, never from inside the dispatch.
class StreamChannel : public QObject, public std::enable_shared_from_this<StreamChannel>
{
public:
    void push(EventType event)
    {
        m_events.push_back(event);
        wake();
    }
    void markRepeatDue()
    {
        m_repeatDue = true;
        wake();
    }
    void finish()
    {
        m_finished = true;
        wake();
    }

    std::optional<EventType> take()
    {
        if (m_events.empty())
            return std::nullopt;
        const EventType event = m_events.front();
        m_events.pop_front();
        return event;
    }
    bool takeRepeatDue() { return std::exchange(m_repeatDue, false); }
    bool isFinished() const { return m_finished; }

    // Awaited by the generator when nothing is waiting.
    class Change
    {
    public:
        explicit Change(StreamChannel& channel)
            : m_channel(channel)
        { }
        ~Change()
        {
            if (m_channel.m_waiter == m_handle)
                m_channel.m_waiter = {};
        }
        bool await_ready() const { return m_channel.hasNews(); }
        void await_suspend(std::coroutine_handle<> handle)
        {
            m_handle = handle;
            m_channel.m_waiter = handle;
        }
        void await_resume() const { }

    private:
        StreamChannel& m_channel;
        std::coroutine_handle<> m_handle;
    };
    Change changed() { return Change(*this); }

private:
    bool hasNews() const { return !m_events.empty() || m_repeatDue || m_finished; }

    void wake()
    {
        if (!m_waiter || m_resumeQueued)
            return;
        m_resumeQueued = true;
        // Resuming may end the stream and with it this channel: the call holds it until it returns, and
        // belongs to the application rather than to the channel.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [weak = weak_from_this()] {
                const std::shared_ptr<StreamChannel> channel = weak.lock();
                if (!channel)
                    return;
                channel->m_resumeQueued = false;
                if (const std::coroutine_handle<> waiter = std::exchange(channel->m_waiter, {}))
                    waiter.resume();
            },
            Qt::QueuedConnection);
    }

    std::deque<EventType> m_events;
    bool m_repeatDue = false;
    bool m_finished = false;
    std::coroutine_handle<> m_waiter;
    bool m_resumeQueued = false;
};

// A stream's entry in the registry's tables, removed when the stream goes.
class Subscription
{
public:
    explicit Subscription(std::function<void()> remove)
        : m_remove(std::move(remove))
    { }
    ~Subscription() { m_remove(); }
    Q_DISABLE_COPY_MOVE(Subscription)

private:
    std::function<void()> m_remove;
};

struct OpenStream
{
    std::shared_ptr<StreamChannel> channel;
    std::unique_ptr<Subscription> subscription;
};

// The registry's actions hold the channel weakly: a press that comes after the stream ended finds
// nothing to wake.
std::pair<Action, Action> actionsFor(const std::shared_ptr<StreamChannel>& channel)
{
    const std::weak_ptr<StreamChannel> weak = channel;
    const auto pusher = [weak](EventType event) {
        return [weak, event] {
            if (const std::shared_ptr<StreamChannel> open = weak.lock())
                open->push(event);
        };
    };
    return { pusher(EventType::keyDown), pusher(EventType::keyUp) };
}

// A channel that finishes when the context object goes.
std::shared_ptr<StreamChannel> newChannel(const QObject* context)
{
    auto channel = std::make_shared<StreamChannel>();
    if (context)
        QObject::connect(context, &QObject::destroyed, channel.get(), [open = channel.get()] { open->finish(); });
    return channel;
}

OpenStream open(const Name& name, const QObject* context)
{
    OpenStream stream { newChannel(context), nullptr };
    const auto [keyDown, keyUp] = actionsFor(stream.channel);
    const QUuid id = StreamTables::addNameStream(name, keyDown, keyUp);
    stream.subscription = std::make_unique<Subscription>([name, id] { StreamTables::removeNameStream(name, id); });
    return stream;
}

OpenStream open(const Shortcut& shortcut, const QObject* context)
{
    OpenStream stream { newChannel(context), nullptr };
    const auto [keyDown, keyUp] = actionsFor(stream.channel);
    const QUuid id = StreamTables::addShortcutStream(shortcut, keyDown, keyUp);
    stream.subscription
        = std::make_unique<Subscription>([shortcut, id] { StreamTables::removeShortcutStream(shortcut, id); });
    return stream;
}

QCoro::AsyncGenerator<EventType> eventLoop(OpenStream stream, std::optional<EventType> only)
{
    while (true) {
        if (const std::optional<EventType> event = stream.channel->take()) {
            if (only && *event != *only)
                continue;
            EventType element = *event;
            co_yield element;
            continue;
        }
        if (stream.channel->isFinished())
            co_return;
        co_await stream.channel->changed();
    }
}

platform::KeyRepeatPace currentPace()
{
    const platform::KeyRepeat* keyRepeat = platform().keyRepeat;
    return keyRepeat ? keyRepeat->pace() : platform::KeyRepeat::serverDefault;
}

// How a repeating stream treats a held key.
struct RepeatRules
{
    // Runs at every press.
    std::function<void()> onKeyDown;
    // Whether the held key still repeats.
    std::function<bool()> shouldContinue;
    // Read once, when the stream is made.
    platform::KeyRepeatPace pace = currentPace();
};

QCoro::AsyncGenerator<std::monostate> repeatLoop(OpenStream stream, RepeatRules rules)
{
    const platform::KeyRepeatPace pace = rules.pace;
    std::unique_ptr<platform::Clock> ownClock;
    platform::Clock* clock = platform().clock;
    if (!clock) {
        ownClock = std::make_unique<platform::SystemClock>();
        clock = ownClock.get();
    }
    const std::unique_ptr<platform::Timer> repeat = clock->createTimer();
    repeat->setSingleShot(true);
    StreamChannel* channel = stream.channel.get();
    QObject::connect(repeat.get(), &platform::Timer::timeout, channel, [channel] { channel->markRepeatDue(); });
    std::monostate element;
    while (true) {
        if (const std::optional<EventType> event = channel->take()) {
            // A press starts the repeats afresh, a release ends them; a repeat due before either is stale.
            channel->takeRepeatDue();
            if (*event == EventType::keyUp) {
                repeat->stop();
                continue;
            }
            rules.onKeyDown();
            repeat->start(pace.delaySeconds);
            co_yield element;
            continue;
        }
        if (channel->takeRepeatDue()) {
            if (rules.shouldContinue()) {
                repeat->start(pace.intervalSeconds);
                co_yield element;
            }
            continue;
        }
        if (channel->isFinished())
            co_return;
        co_await channel->changed();
    }
}
} // namespace

QCoro::AsyncGenerator<EventType> events(const Name& name, const QObject* context)
{
    return eventLoop(open(name, context), std::nullopt);
}

QCoro::AsyncGenerator<EventType> events(const Shortcut& shortcut, const QObject* context)
{
    return eventLoop(open(shortcut, context), std::nullopt);
}

QCoro::AsyncGenerator<EventType> events(EventType type, const Name& name, const QObject* context)
{
    return eventLoop(open(name, context), type);
}

QCoro::AsyncGenerator<EventType> events(EventType type, const Shortcut& shortcut, const QObject* context)
{
    return eventLoop(open(shortcut, context), type);
}

QCoro::AsyncGenerator<std::monostate> repeatingKeyDownEvents(const Name& name, const QObject* context)
{
    // The name's shortcut as it was at the last press: a change while the key is held stops the repeats.
    auto held = std::make_shared<std::optional<Shortcut>>();
    RepeatRules rules {
        [name, held] { *held = getShortcut(name); },
        [name, held] {
            if (isRecorderActive() || !isEnabled() || !StreamTables::isActive(name))
                return false;
            const std::optional<Shortcut> stored = getShortcut(name);
            return stored && StreamTables::isRegistered(*stored) && *held && *stored == **held;
        },
    };
    return repeatLoop(open(name, context), std::move(rules));
}

QCoro::AsyncGenerator<std::monostate> repeatingKeyDownEvents(const Shortcut& shortcut, const QObject* context)
{
    RepeatRules rules {
        [] {},
        [shortcut] { return !isRecorderActive() && isEnabled() && StreamTables::isRegistered(shortcut); },
    };
    return repeatLoop(open(shortcut, context), std::move(rules));
}

} // namespace ShortcutKit
