// A calendar whose name is far longer than its row: the name gives way, the check box stays in reach.
#include "tests/settings/SettingsTestSupport.h"
#include "tolvar/settings/CalendarsSection.h"
#include "tolvar/settings/ElidedLabel.h"
#include "tolvar/settings/RuleEditor.h"
#include "tolvar/settings/SettingsView.h"
#include "tolvar/settings/SourceToggleList.h"

#include <QCheckBox>
#include <QScrollArea>

using namespace settingstest;
using tolvar::SettingsView;

namespace {

using LongNameTest = SettingsTest;

const QString longTitle = QStringLiteral("Product, design and engineering leadership weekly sync-ups!!");
// Longer than any row, at any width of the window.
const QString endlessTitle = QString(QStringLiteral("Very long calendar name ")).repeated(8) + QStringLiteral("end");

// The part of `widget` that its scroll pane shows, in the widget's own coordinates.
QRect shownPart(const QWidget& widget)
{
    for (const QWidget* parent = widget.parentWidget(); parent; parent = parent->parentWidget()) {
        if (const auto* pane = qobject_cast<const QScrollArea*>(parent)) {
            const QRect viewport(widget.mapFrom(pane->viewport(), QPoint(0, 0)), pane->viewport()->size());
            return viewport.intersected(widget.rect());
        }
    }
    return widget.rect();
}

TEST_F(LongNameTest, longCalendarNamesAreElidedInTheMiddleAndTheirCheckBoxesStayInReach)
{
    ASSERT_EQ(longTitle.size(), 60);
    machine.eventStore.setCalendars(
        platform::EntityType::event, { { "long", longTitle, "" }, { "endless", endlessTitle, "" }, work });
    tolvar::AppModel& app = grantedModel();

    SettingsView view(app, {});
    view.setSelectedSection(SettingsView::Section::calendars);
    auto* calendars = qobject_cast<tolvar::CalendarsSection*>(view.sectionView());
    ASSERT_TRUE(calendars);
    calendars->calendarList()->toggle("endless")->click();
    ASSERT_TRUE(app.selectedCalendarIDs().contains("endless")) << "its rule row shows the name too";

    // The window's own width and its narrowest.
    for (const QSize size : { QSize(860, 720), view.minimumSize() }) {
        view.resize(size);
        view.show();
        appmodeltest::settle();
        for (const QString& id : { QStringLiteral("long"), QStringLiteral("endless") }) {
            QCheckBox* toggle = calendars->calendarList()->toggle(id);
            ASSERT_TRUE(toggle);
            EXPECT_EQ(shownPart(*toggle), toggle->rect()) << id.toStdString() << " at width " << size.width();
        }
        const QRect rules = shownPart(*calendars->ruleEditor());
        EXPECT_EQ(std::pair(rules.left(), rules.width()), std::pair(0, calendars->ruleEditor()->width()))
            << "the rules need no sideways scrolling at width " << size.width();
        auto* name = calendars->calendarList()->toggle("endless")->parentWidget()->findChild<tolvar::ElidedLabel*>();
        ASSERT_TRUE(name);
        const QString shown = name->shownText();
        EXPECT_LT(shown.size(), endlessTitle.size());
        EXPECT_TRUE(shown.startsWith(QStringLiteral("Very long")) && shown.endsWith(QStringLiteral("name end")))
            << "elided in the middle: " << shown.toStdString();
        EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
        EXPECT_EQ(name->toolTip(), endlessTitle);
    }
    view.resize(860, 720);
    appmodeltest::settle();
    testsupport::saveScreenshot(view, "settings-calendars-long-names");
}

} // namespace
