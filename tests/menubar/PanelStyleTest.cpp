#include "tolvar/menubar/PanelStyle.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace PanelStyle = tolvar::PanelStyle;

namespace {

const QString calendar = QStringLiteral("Work · personal@example.com");

// The first and last inked columns of `text` drawn as one panel line in `rect`.
std::pair<int, int> inkedColumns(const QRectF& rect, const auto& font)
{
    QImage image(400, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        PanelStyle::drawLine(painter, rect, calendar, font, Qt::white);
    }
    int left = image.width(), right = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 64) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    return { left, right };
}

int inkWidth(const auto& font)
{
    const auto [left, right] = inkedColumns(QRectF(10, 0, 380, 40), font);
    return right - left + 1;
}

} // namespace

TEST(PanelStyleTest, AHalfPixelSizeIsDrawnBetweenTheWholeOnes)
{
    const tolvar::FractionalFont half = PanelStyle::fractionalFont(10.5);
    EXPECT_GT(inkWidth(half), inkWidth(PanelStyle::font(10)));
    EXPECT_LT(inkWidth(half), inkWidth(PanelStyle::font(11)));
    EXPECT_GT(PanelStyle::textWidth(half, calendar), PanelStyle::textWidth(PanelStyle::font(10), calendar));
    EXPECT_LT(PanelStyle::textWidth(half, calendar), PanelStyle::textWidth(PanelStyle::font(11), calendar));
}

TEST(PanelStyleTest, AFractionalLineIsCutAtTheWidthItIsGiven)
{
    const tolvar::FractionalFont half = PanelStyle::fractionalFont(10.5);
    const QRectF narrow(10, 0, 60, 40);
    const auto [left, right] = inkedColumns(narrow, half);
    EXPECT_GE(left, 10);
    EXPECT_LE(right, 70);
    EXPECT_GT(right, 50) << "the cut line still fills its width";
}
