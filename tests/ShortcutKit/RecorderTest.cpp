#include "ShortcutKit/Recorder.h"
#include "RecorderTestSupport.h"
#include "tests/support/Patience.h"

#include <QFormLayout>
#include <QLabel>
#include <QProperty>
#include <QVBoxLayout>

using namespace RecorderTestSupport;
using ShortcutKit::ConflictPolicy;
using ShortcutKit::Name;
using ShortcutKit::Recorder;
using ShortcutKit::Shortcut;

namespace {
constexpr qint64 control = 0x1000, option = 0x800, shift = 0x200;
const Shortcut ctrlShiftKShortcut(40, control | shift);
const Shortcut ctrlAltMShortcut(46, control | option);
} // namespace

// Recorders in a form in a shown, active window.
class RecorderTest : public ShortcutKitTest
{
protected:
    void TearDown() override
    {
        window.reset();
        ShortcutKitTest::TearDown();
    }

    Recorder& addRow(Recorder* recorder, QWidget* parent = nullptr)
    {
        if (!window) {
            window = std::make_unique<QWidget>();
            form = new QFormLayout(window.get());
        }
        if (parent) {
            parent->setLayout(new QVBoxLayout);
            parent->layout()->addWidget(recorder);
            form->addRow(parent);
        } else {
            form->addRow(recorder);
        }
        return *recorder;
    }

    void showWindow()
    {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get(), testsupport::patienceMs));
    }

    void record(Recorder& recorder, const TypedKey& key)
    {
        QTest::mouseClick(&recorder.control(), Qt::LeftButton);
        ASSERT_TRUE(recorder.control().isRecording());
        typeKey(key);
    }

    std::unique_ptr<QWidget> window;
    QFormLayout* form = nullptr;
    QList<std::optional<Shortcut>> changes;
};

TEST_F(RecorderTest, ABoundRecorderWritesOnlyTheBindingAndFollowsItWithoutReporting)
{
    QProperty<std::optional<Shortcut>> bound;
    Recorder& recorder = addRow(new Recorder(QStringLiteral("Open panel:"), QBindable<std::optional<Shortcut>>(&bound),
        [this](const std::optional<Shortcut>& shortcut) { changes.append(shortcut); }));
    showWindow();
    ASSERT_TRUE(recorder.hasLabel());
    EXPECT_EQ(static_cast<QLabel*>(recorder.label())->buddy(), &recorder.control());
    EXPECT_LT(recorder.label()->geometry().right(), recorder.control().geometry().left());

    record(recorder, ctrlShiftK);
    EXPECT_EQ(bound.value(), ctrlShiftKShortcut);
    EXPECT_EQ(changes, QList<std::optional<Shortcut>> { ctrlShiftKShortcut });
    EXPECT_TRUE(defaults.keys().isEmpty());

    bound = ctrlAltMShortcut;
    EXPECT_EQ(recorder.control().text(), QStringLiteral("Ctrl+Alt+M"));
    EXPECT_EQ(changes.size(), 1) << "a change from outside is not reported back";

    record(recorder, backspace);
    EXPECT_EQ(bound.value(), std::nullopt);
    EXPECT_EQ(changes.last(), std::nullopt);
}

TEST_F(RecorderTest, TheNearestAncestorsConflictPolicyGovernsTheRecordersInside)
{
    systemShortcuts.setShortcuts({ { 40, control | shift } });
    const Name relaxedName(QStringLiteral("relaxed")), strictName(QStringLiteral("strict"));
    auto* relaxedGroup = new QWidget;
    auto* strictGroup = new QWidget(relaxedGroup);
    Recorder& relaxed = addRow(new Recorder(relaxedName), relaxedGroup);
    auto* strict = new Recorder(strictName, {}, strictGroup);
    relaxedGroup->layout()->addWidget(strictGroup);
    EXPECT_EQ(relaxed.control().conflictPolicy(), ConflictPolicy::default_);

    ShortcutKit::setConflictPolicy(*window, ConflictPolicy::allowAll);
    ShortcutKit::setConflictPolicy(*strictGroup, ConflictPolicy::default_);
    EXPECT_EQ(relaxed.control().conflictPolicy(), ConflictPolicy::allowAll);
    EXPECT_EQ(strict->control().conflictPolicy(), ConflictPolicy::default_);
    showWindow();

    record(relaxed, ctrlShiftK);
    EXPECT_EQ(alertOf(relaxed), nullptr);
    EXPECT_EQ(relaxedName.shortcut(), ctrlShiftKShortcut);

    record(*strict, ctrlShiftK);
    EXPECT_NE(alertOf(*strict), nullptr) << "the nearer group keeps the default";
    EXPECT_EQ(strictName.shortcut(), std::nullopt);

    // A recorder moved under another ancestor takes that one's policy.
    strict->setParent(relaxedGroup);
    EXPECT_EQ(strict->control().conflictPolicy(), ConflictPolicy::allowAll);
}

TEST_F(RecorderTest, ReplacingTheNameShowsTheNewNamesShortcutAtOnce)
{
    const Name first(QStringLiteral("first"), ctrlAltMShortcut);
    const Name second(QStringLiteral("second"), ctrlShiftKShortcut);
    Recorder& recorder = addRow(new Recorder(first));
    EXPECT_FALSE(recorder.hasLabel());
    EXPECT_EQ(recorder.control().text(), QStringLiteral("Ctrl+Alt+M"));
    recorder.setName(second);
    EXPECT_EQ(recorder.control().text(), QStringLiteral("Ctrl+Shift+K"));
    second.setShortcut(ctrlAltMShortcut);
    EXPECT_EQ(recorder.control().text(), QStringLiteral("Ctrl+Alt+M")) << "it follows the store";
}
