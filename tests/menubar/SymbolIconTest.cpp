#include "tolvar/style/SymbolIcon.h"
#include "PanelTestSupport.h"

#include <QImage>
#include <QPainter>

namespace SymbolIcon = tolvar::SymbolIcon;

namespace {
// Share of the pixels that carry paint, and whether every painted pixel has the tint's colour.
std::pair<double, bool> coverage(const QPixmap& pixmap, QColor tint)
{
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    int painted = 0;
    bool tinted = true;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() < 128)
                continue;
            ++painted;
            tinted = tinted && std::abs(pixel.red() - tint.red()) < 8 && std::abs(pixel.green() - tint.green()) < 8
                && std::abs(pixel.blue() - tint.blue()) < 8;
        }
    }
    return { double(painted) / (image.width() * image.height()), tinted };
}
} // namespace

TEST(SymbolIconTest, EverySymbolDrawsInItsTint)
{
    const QColor teal(78, 230, 213);
    const QStringList names = SymbolIcon::symbols();
    QPixmap sheet(names.size() * 40, 40);
    sheet.fill(QColor(20, 24, 32));
    QPainter painter(&sheet);
    for (int i = 0; i < names.size(); ++i) {
        const QPixmap icon = SymbolIcon::pixmap(names[i], 32, teal, 1);
        ASSERT_FALSE(icon.isNull()) << names[i].toStdString();
        const auto [share, tinted] = coverage(icon, teal);
        EXPECT_GT(share, 0.04) << names[i].toStdString() << " drew (almost) nothing: is the icon theme found?";
        EXPECT_LT(share, 0.9) << names[i].toStdString();
        EXPECT_TRUE(tinted) << names[i].toStdString();
        painter.drawPixmap(i * 40 + 4, 4, icon);
    }
    painter.end();
    EXPECT_TRUE(SymbolIcon::pixmap("no.such.symbol", 16, teal, 1).isNull());
    testsupport::saveScreenshot(sheet, QStringLiteral("symbols"));
}

TEST(SymbolIconTest, HighDensityScreensGetSharperPixmaps)
{
    const QPixmap icon = SymbolIcon::pixmap("gearshape", 13, Qt::white, 2);
    EXPECT_EQ(icon.width(), 26);
    EXPECT_DOUBLE_EQ(icon.devicePixelRatio(), 2);
}
