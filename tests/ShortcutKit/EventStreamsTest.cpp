#include "ShortcutKit/EventStreams.h"
#include "ShortcutKitTest.h"

#include <QCoro/QCoroTask>
#include <QTest>

using ShortcutKit::EventType;
using ShortcutKit::Name;
using ShortcutKit::Shortcut;

namespace {
constexpr qint64 control = 0x1000, shift = 0x200;
const Shortcut ctrlShiftK(40, control | shift);
const Shortcut ctrlShiftL(37, control | shift);

// A consumer that keeps what the stream gives until it has `limit` elements or is told to stop.
struct Consumer
{
    QList<EventType> received;
    int repeats = 0;
    bool stop = false;
    bool done = false;
};

// The stream is made inside the consumer, as a caller writes it, so that it goes when the loop ends.
QCoro::Task<> consume(std::function<QCoro::AsyncGenerator<EventType>()> open, Consumer& consumer, int limit = 100)
{
    QCORO_FOREACH(const EventType type, open())
    {
        consumer.received.append(type);
        if (consumer.received.size() == limit || consumer.stop)
            break;
    }
    consumer.done = true;
}

QCoro::Task<> consumeRepeats(std::function<QCoro::AsyncGenerator<std::monostate>()> open, Consumer& consumer)
{
    QCORO_FOREACH([[maybe_unused]] const std::monostate& element, open())
    {
        ++consumer.repeats;
        if (consumer.stop)
            break;
    }
    consumer.done = true;
}

void settle()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}
} // namespace

class EventStreamsTest : public ShortcutKitTest
{
protected:
    // Ends every stream still open and lets its consumer finish, while the consumer's state still exists.
    void endStreams()
    {
        lifetime.reset();
        settle();
    }

    void hold(const Shortcut& shortcut) { hotKeys.press(shortcut.carbonKeyCode(), shortcut.carbonModifiers()); }
    void letGo(const Shortcut& shortcut) { hotKeys.release(shortcut.carbonKeyCode(), shortcut.carbonModifiers()); }
    void typeAndSettle(const Shortcut& shortcut)
    {
        type(shortcut);
        settle();
    }

    std::unique_ptr<QObject> lifetime = std::make_unique<QObject>();
};

TEST_F(EventStreamsTest, ANameStreamIsRegisteredFromItsCreationUntilItsConsumerStops)
{
    const Name name(QStringLiteral("stream"), ctrlShiftK);
    {
        const QCoro::AsyncGenerator<EventType> unused = ShortcutKit::events(name);
        EXPECT_TRUE(isGrabbed(ctrlShiftK)) << "registered on creation, before anyone iterates";
    }
    EXPECT_FALSE(isGrabbed(ctrlShiftK));
    Consumer first, second;
    auto firstTask = consume([&] { return ShortcutKit::events(name, lifetime.get()); }, first, 4);
    EXPECT_TRUE(isGrabbed(ctrlShiftK)) << "registered on creation";
    EXPECT_TRUE(ShortcutKit::isEnabled(name));
    auto secondTask = consume([&] { return ShortcutKit::events(name, lifetime.get()); }, second);

    typeAndSettle(ctrlShiftK);
    typeAndSettle(ctrlShiftK);
    EXPECT_EQ(first.received,
        (QList<EventType> { EventType::keyDown, EventType::keyUp, EventType::keyDown, EventType::keyUp }));
    EXPECT_TRUE(first.done) << "the first consumer stopped after four";
    EXPECT_TRUE(isGrabbed(ctrlShiftK)) << "the second stream still needs the grab";

    typeAndSettle(ctrlShiftK);
    EXPECT_EQ(second.received.size(), 6);
    EXPECT_EQ(first.received.size(), 4);

    second.stop = true;
    typeAndSettle(ctrlShiftK);
    EXPECT_TRUE(second.done);
    EXPECT_FALSE(isGrabbed(ctrlShiftK)) << "released when nothing else needs it";
    EXPECT_FALSE(ShortcutKit::isEnabled(name));
}

TEST_F(EventStreamsTest, AStreamEndsWithItsContextAndLeavesAHandlersRegistrationAlone)
{
    const Name name(QStringLiteral("context"), ctrlShiftK);
    int handled = 0;
    ShortcutKit::onKeyDown(name, [&] { ++handled; });
    Consumer consumer;
    auto context = std::make_unique<QObject>();
    auto task = consume([&] { return ShortcutKit::events(name, context.get()); }, consumer);
    typeAndSettle(ctrlShiftK);
    EXPECT_EQ(consumer.received.size(), 2);

    context.reset();
    settle();
    EXPECT_TRUE(consumer.done);
    EXPECT_TRUE(isGrabbed(ctrlShiftK)) << "the name still has a handler";
    typeAndSettle(ctrlShiftK);
    EXPECT_EQ(handled, 2);
    EXPECT_EQ(consumer.received.size(), 2);
}

TEST_F(EventStreamsTest, ShortcutStreamsIgnoreDisabledNamesAndTypedStreamsFilter)
{
    const Name name(QStringLiteral("disabled"), ctrlShiftK);
    ShortcutKit::disable({ name });
    Consumer ofName, ofShortcut, releases;
    auto nameTask = consume([&] { return ShortcutKit::events(name, lifetime.get()); }, ofName);
    EXPECT_FALSE(isGrabbed(ctrlShiftK));
    auto shortcutTask = consume([&] { return ShortcutKit::events(ctrlShiftK, lifetime.get()); }, ofShortcut);
    auto releaseTask
        = consume([&] { return ShortcutKit::events(EventType::keyUp, ctrlShiftK, lifetime.get()); }, releases);
    EXPECT_TRUE(isGrabbed(ctrlShiftK));

    typeAndSettle(ctrlShiftK);
    EXPECT_TRUE(ofName.received.isEmpty());
    EXPECT_EQ(ofShortcut.received, (QList<EventType> { EventType::keyDown, EventType::keyUp }));
    EXPECT_EQ(releases.received, QList<EventType> { EventType::keyUp });

    // Nothing reaches a stream while a recorder records.
    ShortcutKit::setRecorderActive(true);
    typeAndSettle(ctrlShiftK);
    ShortcutKit::setRecorderActive(false);
    EXPECT_EQ(ofShortcut.received.size(), 2);

    endStreams();
    EXPECT_TRUE(ofName.done && ofShortcut.done && releases.done);
    EXPECT_FALSE(isGrabbed(ctrlShiftK));
}

TEST_F(EventStreamsTest, AHeldShortcutRepeatsAtTheKeyboardsPaceUntilReleased)
{
    keyRepeat.setPace({ 0.5, 0.1 });
    const Name name(QStringLiteral("repeat"), ctrlShiftK);
    Consumer consumer;
    auto task = consumeRepeats([&] { return ShortcutKit::repeatingKeyDownEvents(name, lifetime.get()); }, consumer);
    keyRepeat.setPace({ 2, 1 }); // read once, when the stream was made

    hold(ctrlShiftK);
    settle();
    EXPECT_EQ(consumer.repeats, 1) << "one at the press";
    clock.advance(0.45);
    EXPECT_EQ(consumer.repeats, 1);
    clock.advance(0.05);
    EXPECT_EQ(consumer.repeats, 2) << "one after the delay";
    for (int i = 0; i < 5; ++i)
        clock.advance(0.1);
    EXPECT_EQ(consumer.repeats, 7) << "then one per interval";
    letGo(ctrlShiftK);
    settle();
    clock.advance(1);
    EXPECT_EQ(consumer.repeats, 7);

    // Held for less than the delay: exactly one.
    hold(ctrlShiftK);
    settle();
    clock.advance(0.3);
    letGo(ctrlShiftK);
    settle();
    clock.advance(1);
    EXPECT_EQ(consumer.repeats, 8);
    endStreams();
}

TEST_F(EventStreamsTest, RepeatsStopWhenTheNamesShortcutChangesOrARecorderStarts)
{
    keyRepeat.setPace({ 0.5, 0.1 });
    const Name name(QStringLiteral("changing"), ctrlShiftK);
    Consumer consumer;
    auto task = consumeRepeats([&] { return ShortcutKit::repeatingKeyDownEvents(name, lifetime.get()); }, consumer);
    hold(ctrlShiftK);
    settle();
    clock.advance(0.6);
    EXPECT_EQ(consumer.repeats, 3);
    name.setShortcut(ctrlShiftL);
    clock.advance(1);
    EXPECT_EQ(consumer.repeats, 3);

    Consumer bare;
    auto bareTask
        = consumeRepeats([&] { return ShortcutKit::repeatingKeyDownEvents(ctrlShiftK, lifetime.get()); }, bare);
    hold(ctrlShiftK);
    settle();
    clock.advance(0.5);
    EXPECT_EQ(bare.repeats, 2);
    ShortcutKit::setRecorderActive(true);
    clock.advance(1);
    ShortcutKit::setRecorderActive(false);
    EXPECT_EQ(bare.repeats, 2);

    // Stopping the consumer ends the stream and gives the grab up.
    bare.stop = true;
    letGo(ctrlShiftK);
    hold(ctrlShiftK);
    settle();
    EXPECT_TRUE(bare.done);
    EXPECT_FALSE(isGrabbed(ctrlShiftK));
    EXPECT_EQ(clock.activeTimerCount(), 0) << "no repeat is left waiting";
    endStreams();
}
