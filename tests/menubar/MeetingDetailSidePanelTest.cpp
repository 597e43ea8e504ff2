// The detail side panel beside the main panel, with a stand-in card of a set height, offscreen.
#include "tolvar/menubar/MeetingDetailSidePanelAccessor.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using tolvar::DetailPopupSide;
using tolvar::MeetingDetailSidePanelAccessor;
using Values = MeetingDetailSidePanelAccessor::Values;

namespace {

void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

tolvar::MeetingSnapshot meeting(const QString& title)
{
    tolvar::MeetingSnapshot snapshot;
    snapshot.id = title.toLower();
    snapshot.title = title;
    return snapshot;
}

Values valuesFor(const QString& title, std::optional<QRectF> anchor = std::nullopt)
{
    Values values;
    values.meeting = meeting(title);
    values.timeLabel = "10:00 – 10:30";
    values.anchorFrame = anchor;
    return values;
}

class SidePanelTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mainPanel.setGeometry(100, 100, 360, 500);
        new QVBoxLayout(&mainPanel);
        accessor = new MeetingDetailSidePanelAccessor(
            [this](const tolvar::MeetingSnapshot& shown, const QString& timeLabel, bool showAll,
                std::function<void()> onShowAll, std::function<void(bool)> onHover) {
                ++cardsBuilt;
                cardTitle = shown.title + " " + timeLabel + (showAll ? " all" : "");
                expand = std::move(onShowAll);
                hover = std::move(onHover);
                auto* card = new QWidget;
                card->setFixedHeight(cardHeight);
                return card;
            },
            &mainPanel);
        mainPanel.layout()->addWidget(accessor);
        mainPanel.show();
        settle();
    }

    void show(Values values)
    {
        accessor->update(
            std::move(values), [this] { ++expansions; }, [this](bool hovering) { hovers << hovering; });
        settle();
    }

    int cardHeight = 200;
    int cardsBuilt = 0;
    int expansions = 0;
    QString cardTitle;
    QList<bool> hovers;
    std::function<void()> expand;
    std::function<void(bool)> hover;
    // Last, so that it goes first, while what its panel reports to is still there.
    QWidget mainPanel;
    MeetingDetailSidePanelAccessor* accessor = nullptr;
};

} // namespace

TEST(SidePanelFrame, BesideTheParentLevelWithTheRowAndOnScreen)
{
    const QRect screen(0, 0, 1280, 800);
    const QRect parent(100, 100, 360, 500);
    Values values = valuesFor("A", QRectF(16, 200, 328, 40));
    // Trailing: right of the panel, centred on the row's middle (y 100 + 220 - 100).
    EXPECT_EQ(MeetingDetailSidePanelAccessor::panelFrame(parent, values, 200, screen), QRect(468, 220, 280, 200));
    values.side = DetailPopupSide::leading;
    EXPECT_EQ(
        MeetingDetailSidePanelAccessor::panelFrame(QRect(400, 100, 360, 500), values, 200, screen).x(), 400 - 8 - 280);
    // No row: tops aligned.
    values.anchorFrame.reset();
    EXPECT_EQ(MeetingDetailSidePanelAccessor::panelFrame(parent, values, 200, screen).y(), 100);
    values.anchorFrame = QRectF();
    EXPECT_EQ(MeetingDetailSidePanelAccessor::panelFrame(parent, values, 200, screen).y(), 100);

    // A row near the bottom pushes the panel up into the screen; leading near the left edge is
    // clamped, so it may cover the main panel.
    values.anchorFrame = QRectF(16, 480, 328, 20);
    EXPECT_EQ(MeetingDetailSidePanelAccessor::panelFrame(QRect(100, 300, 360, 500), values, 200, screen),
        QRect(0, 600, 280, 200));
}

TEST(SidePanelFrame, HeightBetweenTheFloorAndTheScreen)
{
    const Values values = valuesFor("A");
    const QRect parent(0, 0, 360, 500);
    EXPECT_EQ(MeetingDetailSidePanelAccessor::panelFrame(parent, values, 10, QRect(0, 0, 1280, 800)).height(), 44);
    EXPECT_EQ(MeetingDetailSidePanelAccessor::panelFrame(parent, values, 5000, QRect(0, 0, 1280, 800)).height(), 776);
    // On a very short screen the cap is never below 120.
    EXPECT_EQ(MeetingDetailSidePanelAccessor::panelFrame(parent, values, 5000, QRect(0, 0, 800, 100)).height(), 120);
    // No screen: the fitting height with its floor, and no clamping.
    EXPECT_EQ(MeetingDetailSidePanelAccessor::panelFrame(parent, values, 5000, QRect()), QRect(368, 0, 280, 5000));
    EXPECT_EQ(MeetingDetailSidePanelAccessor::panelFrame(parent, values, 5, QRect()).height(), 44);
}

TEST_F(SidePanelTest, ShowsBesideTheVisibleParentAndReusesItsWindow)
{
    show(valuesFor("Planning", QRectF(16, 100, 328, 40)));
    QWidget* panel = accessor->sidePanel();
    ASSERT_TRUE(panel);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(panel->isWindow());
    EXPECT_EQ(panel->parentWidget(), &mainPanel) << "a tool window of the main panel's, transient for it";
    EXPECT_EQ(panel->geometry(), QRect(468, 100 + 120 - 100, 280, 200));
    EXPECT_EQ(cardTitle, "Planning 10:00 – 10:30");

    // Unchanged values do no work; any change to what is shown rebuilds the card in the same window.
    show(valuesFor("Planning", QRectF(16, 100, 328, 40)));
    EXPECT_EQ(cardsBuilt, 1);
    Values renamed = valuesFor("Planning", QRectF(16, 100, 328, 40));
    renamed.meeting->location = "Room 4";
    show(renamed);
    EXPECT_EQ(cardsBuilt, 2) << "a changed place redraws the card";
    Values expanded = renamed;
    expanded.showAllAttendees = true;
    show(expanded);
    EXPECT_EQ(cardTitle, "Planning 10:00 – 10:30 all");
    EXPECT_EQ(accessor->sidePanel(), panel);

    // The card's actions reach the panel's current ones.
    expand();
    hover(true);
    EXPECT_EQ(expansions, 1);
    EXPECT_EQ(hovers, QList<bool> { true });
}

TEST_F(SidePanelTest, FollowsTheParentAndGoesWithIt)
{
    show(valuesFor("Planning"));
    QPointer<QWidget> panel = accessor->sidePanel();
    ASSERT_TRUE(panel);
    mainPanel.move(40, 60);
    settle();
    EXPECT_EQ(panel->geometry().topLeft(), mainPanel.geometry().topRight() + QPoint(1 + 8, 0))
        << "placed again when the parent moves";

    mainPanel.hide();
    settle();
    QCoreApplication::sendPostedEvents(panel, QEvent::DeferredDelete);
    EXPECT_TRUE(panel.isNull());
    EXPECT_EQ(hovers, QList<bool> { false }) << "taking the panel down ends its hover";

    // Nothing to show, or a hidden parent: no panel.
    show(valuesFor("Planning"));
    EXPECT_EQ(accessor->sidePanel(), nullptr);
    mainPanel.show();
    Values noLabel = valuesFor("Planning");
    noLabel.timeLabel.reset();
    show(noLabel);
    EXPECT_EQ(accessor->sidePanel(), nullptr);
    show(valuesFor("Planning"));
    ASSERT_TRUE(accessor->sidePanel());
    show(Values {});
    EXPECT_EQ(accessor->sidePanel(), nullptr);
}
