// The tray icon's face and tooltip, and a picture of the three faces.
#include "tolvar/app/MenuBarStatusLabel.h"
#include "tests/core/appmodel/AppModelHarness.h"
#include "tests/support/Screenshot.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QSystemTrayIcon>

using namespace appmodeltest;
using tolvar::MenuBarStatusLabel;
using Symbol = MenuBarStatusLabel::Symbol;

namespace {

QImage imageOf(const QIcon& icon, int side = 32)
{
    return icon.pixmap(side, side).toImage().convertToFormat(QImage::Format_ARGB32);
}

class MenuBarStatusLabelTest : public AppModelTest
{
protected:
    // The label compares its faces through the tray icon it drew into.
    bool trayShows(Symbol symbol) const { return imageOf(tray.icon()) == imageOf(MenuBarStatusLabel::icon(symbol)); }

    QSystemTrayIcon tray;
};

TEST_F(MenuBarStatusLabelTest, idleShowsTheCalendarAndTheApplicationName)
{
    MenuBarStatusLabel label(started(), tray);
    EXPECT_EQ(label.symbol(), Symbol::calendar);
    EXPECT_EQ(label.accessibilityLabel(), "Tolvar");
    EXPECT_EQ(tray.toolTip(), "Tolvar");
    EXPECT_TRUE(trayShows(Symbol::calendar));
}

TEST_F(MenuBarStatusLabelTest, aRunningMeetingBeatsOneWithinItsLeadTime)
{
    MenuBarStatusLabel label(started(), tray);
    const platform::Date now = clock.now();
    model->setMeetings({ meeting("Soon", now.addingSeconds(5), now.addingSeconds(900)),
        meeting("Running", now.addingSeconds(-60), now.addingSeconds(600)) });
    EXPECT_EQ(label.symbol(), Symbol::video);
    EXPECT_EQ(tray.toolTip(), "NOW");
    EXPECT_TRUE(trayShows(Symbol::video));

    model->setMeetings({ meeting("Soon", now.addingSeconds(5), now.addingSeconds(900)) });
    EXPECT_EQ(label.symbol(), Symbol::bell);
    EXPECT_EQ(tray.toolTip(), "SOON");
    EXPECT_TRUE(trayShows(Symbol::bell));
}

TEST_F(MenuBarStatusLabelTest, followsTheClockBetweenAnnouncements)
{
    MenuBarStatusLabel label(started(), tray);
    const platform::Date now = clock.now();
    model->setMeetings({ meeting("Standup", now.addingSeconds(20), now.addingSeconds(40)) });
    EXPECT_EQ(label.symbol(), Symbol::calendar);

    // The lead time is 10 s; nothing in the model changes while time passes.
    clock.advance(9.9);
    EXPECT_EQ(label.symbol(), Symbol::calendar);
    clock.advance(0.2);
    EXPECT_EQ(label.symbol(), Symbol::bell);
    EXPECT_EQ(tray.toolTip(), "SOON");
    clock.advance(10);
    EXPECT_EQ(label.symbol(), Symbol::video);
    EXPECT_EQ(tray.toolTip(), "NOW");
    clock.advance(20);
    EXPECT_EQ(label.symbol(), Symbol::calendar);
    EXPECT_EQ(tray.toolTip(), "Tolvar");
}

TEST_F(MenuBarStatusLabelTest, aLongerLeadTimeRingsTheBellEarlier)
{
    MenuBarStatusLabel label(started(), tray);
    const platform::Date now = clock.now();
    model->setMeetings({ meeting("Review", now.addingSeconds(50), now.addingSeconds(600)) });
    EXPECT_EQ(label.symbol(), Symbol::calendar);
    model->setReminderLeadSeconds(55);
    EXPECT_EQ(label.symbol(), Symbol::bell);
}

TEST_F(MenuBarStatusLabelTest, facesAreDrawnOnATransparentGround)
{
    const auto hasColor = [](const QImage& image, auto accepts) {
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (accepts(image.pixelColor(x, y)))
                    return true;
            }
        }
        return false;
    };
    for (Symbol symbol : { Symbol::video, Symbol::bell, Symbol::calendar }) {
        const QImage image = imageOf(MenuBarStatusLabel::icon(symbol), 22);
        EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
        EXPECT_EQ(image.pixelColor(21, 21).alpha(), 0);
        EXPECT_TRUE(hasColor(image, [](const QColor& c) { return c.alpha() == 255; }));
    }
    const QImage video = imageOf(MenuBarStatusLabel::icon(Symbol::video));
    EXPECT_TRUE(hasColor(video, [](const QColor& c) { return c.green() > 150 && c.red() < 100 && c.blue() < 130; }));
    const QImage bell = imageOf(MenuBarStatusLabel::icon(Symbol::bell));
    EXPECT_TRUE(hasColor(bell, [](const QColor& c) { return c.red() > 200 && c.green() > 100 && c.blue() < 60; }));
}

TEST(MenuBarStatusLabelScreenshot, theThreeFaces)
{
    // The colour of a face's most opaque pixel: the stroke, not its antialiased edge.
    const auto strokeColor = [](const QImage& image) {
        QColor strongest = Qt::transparent;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixelColor(x, y).alpha() > strongest.alpha())
                    strongest = image.pixelColor(x, y);
            }
        }
        return strongest;
    };
    const QList<Symbol> symbols { Symbol::video, Symbol::bell, Symbol::calendar };
    const QList<int> sides { 16, 22, 24, 32, 64 };
    const int cell = 80;
    QImage sheet(cell * sides.size(), cell * 3 * 2, QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    painter.fillRect(0, cell * 3, sheet.width(), cell * 3, QColor(0x30, 0x30, 0x34));
    const QPalette original = QGuiApplication::palette();
    const QColor lightText(0xf2, 0xf2, 0xf2);
    // faces[half][symbol][size]
    QList<QList<QList<QImage>>> faces(2, QList<QList<QImage>>(symbols.size()));
    for (int half = 0; half < 2; ++half) {
        // The calendar takes the theme's text colour: dark on the light half, light on the dark one.
        if (half == 1) {
            QPalette dark = original;
            dark.setColor(QPalette::WindowText, lightText);
            QGuiApplication::setPalette(dark);
        }
        for (int row = 0; row < symbols.size(); ++row) {
            const QIcon icon = MenuBarStatusLabel::icon(symbols[row]);
            for (int column = 0; column < sides.size(); ++column) {
                const int side = sides[column];
                const QPixmap pixmap = icon.pixmap(side, side);
                EXPECT_EQ(pixmap.size(), QSize(side, side));
                faces[half][row].append(imageOf(icon, side));
                painter.drawPixmap(
                    column * cell + (cell - side) / 2, (half * 3 + row) * cell + (cell - side) / 2, pixmap);
            }
        }
    }
    painter.end();
    QGuiApplication::setPalette(original);
    testsupport::saveScreenshot(QPixmap::fromImage(sheet), QStringLiteral("tray-icons"));

    const QColor darkText = original.color(QPalette::WindowText);
    for (int column = 0; column < sides.size(); ++column) {
        const int side = sides[column];
        for (int half = 0; half < 2; ++half) {
            const QList<QList<QImage>>& shown = faces[half];
            EXPECT_NE(shown[0][column], shown[1][column]) << "video and bell look alike at " << side;
            EXPECT_NE(shown[0][column], shown[2][column]) << "video and calendar look alike at " << side;
            EXPECT_NE(shown[1][column], shown[2][column]) << "bell and calendar look alike at " << side;
            for (const QList<QImage>& face : shown)
                EXPECT_EQ(strokeColor(face[column]).alpha(), 255) << "a face without a solid stroke at " << side;
        }
        // Green and orange are the same on any theme; only the calendar follows the text colour.
        EXPECT_EQ(faces[0][0][column], faces[1][0][column]) << side;
        EXPECT_EQ(faces[0][1][column], faces[1][1][column]) << side;
        EXPECT_EQ(strokeColor(faces[0][2][column]).rgb(), darkText.rgb()) << side;
        EXPECT_EQ(strokeColor(faces[1][2][column]).rgb(), lightText.rgb()) << side;
    }
}

} // namespace
