// The bridge that lends the panel-local keys to the active panel window, offscreen.
#include "tolvar/menubar/PanelHotkeyWindowAccessor.h"
#include "tests/support/Patience.h"

#include "platform/hotkeys/TestHotKeys.h"

#include <QCoreApplication>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using tolvar::PanelHotkeyWindowAccessor;
using tolvar::PanelTransientHotkeys;
using Owner = PanelTransientHotkeys::Owner;

namespace {

constexpr qint64 escapeKey = 53, returnKey = 36;

void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

class AccessorTest : public ::testing::Test
{
protected:
    // A panel window holding the bridge as the panel's content would.
    PanelHotkeyWindowAccessor* placeIn(QWidget& window)
    {
        window.setGeometry(20, 20, 200, 200);
        auto* layout = new QVBoxLayout(&window);
        auto* accessor = new PanelHotkeyWindowAccessor(registry, &window);
        layout->addWidget(accessor);
        accessor->setHandlers(handlers("first"));
        return accessor;
    }
    PanelHotkeyWindowAccessor::Handlers handlers(const QString& tag)
    {
        PanelHotkeyWindowAccessor::Handlers handlers;
        handlers.onEscape = [this, tag](QWidget* window) { served << tag + " escape " + window->objectName(); };
        handlers.onReturn = [this, tag] { served << tag + " return"; };
        return handlers;
    }
    void activate(QWidget& window)
    {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window, testsupport::patienceMs));
        settle();
    }
    void press(qint64 key, qint64 modifiers = 0)
    {
        hotKeys.press(key, modifiers);
        hotKeys.release(key, modifiers);
        settle();
    }
    bool menuBarRegistered() const { return registry.registrationOf(Owner::menuBar) != 0; }

    platform::TestHotKeys hotKeys;
    PanelTransientHotkeys registry { &hotKeys };
    QStringList served;
};

} // namespace

TEST_F(AccessorTest, RegistersExactlyWhileTheWindowIsVisibleAndActive)
{
    QWidget panel, other;
    panel.setObjectName("panel");
    placeIn(panel);
    other.setGeometry(300, 20, 100, 100);
    EXPECT_FALSE(menuBarRegistered()) << "a hidden window takes no keys";

    activate(panel);
    EXPECT_TRUE(menuBarRegistered());
    press(escapeKey);
    press(returnKey);
    EXPECT_EQ(served, (QStringList { "first escape panel", "first return" }));

    activate(other);
    EXPECT_FALSE(menuBarRegistered()) << "another window's activation gives the keys back";
    EXPECT_FALSE(hotKeys.isGrabbed(returnKey, 0));

    activate(panel);
    EXPECT_TRUE(menuBarRegistered());
    panel.hide();
    settle();
    EXPECT_FALSE(menuBarRegistered()) << "closing the active panel gives the keys back";
}

TEST_F(AccessorTest, TheLatestHandlersServe)
{
    QWidget panel;
    PanelHotkeyWindowAccessor* accessor = placeIn(panel);
    activate(panel);
    accessor->setHandlers(handlers("second"));
    press(returnKey);
    EXPECT_EQ(served, QStringList { "second return" });
}

TEST_F(AccessorTest, AGoingCoordinatorLeavesAnotherPanelsRegistrationAlone)
{
    QWidget quickPanel, menuPanel;
    auto closing = std::make_unique<QWidget>();
    placeIn(*closing);
    activate(*closing);
    const quint64 closingRegistration = registry.registrationOf(Owner::menuBar);
    ASSERT_NE(closingRegistration, 0u);

    placeIn(menuPanel);
    activate(menuPanel);
    const quint64 current = registry.registrationOf(Owner::menuBar);
    EXPECT_NE(current, closingRegistration);
    closing.reset(); // its coordinator's teardown runs one turn later
    settle();
    EXPECT_EQ(registry.registrationOf(Owner::menuBar), current);

    // Its own registration a going coordinator does take away.
    auto last = std::make_unique<PanelHotkeyWindowAccessor::Coordinator>(registry);
    activate(quickPanel);
    last->attach(&quickPanel);
    ASSERT_NE(registry.registrationOf(Owner::menuBar), current);
    last.reset();
    settle();
    EXPECT_FALSE(menuBarRegistered());
}
