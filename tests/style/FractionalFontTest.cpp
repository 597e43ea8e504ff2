#include "tolvar/style/FractionalFont.h"
#include "tolvar/style/ButtonLabel.h"
#include "tolvar/style/WrappedText.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace tolvar;

namespace {

const QString sample = QStringLiteral("Meeting in 125s");

// The width of the ink that drawing `sample` leaves.
int inkWidth(const std::function<void(QPainter&, const QRectF&)>& draw)
{
    QImage image(400, 60, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setPen(Qt::black);
        draw(painter, QRectF(10, 0, 380, 60));
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
    return right - left + 1;
}

int inkWidthAt(qreal size)
{
    return inkWidth([size](QPainter& painter, const QRectF& rect) {
        FractionalFont::overlay(size, QFont::DemiBold)
            .drawText(painter, rect, Qt::AlignLeft | Qt::AlignVCenter, sample);
    });
}

} // namespace

TEST(FractionalFont, HalfSizesAreMeasuredAndDrawnBetweenTheWholeOnes)
{
    for (const qreal size : { 12.5, 13.5 }) {
        const qreal below = QFontMetricsF(overlayFont(size - 0.5, QFont::DemiBold)).horizontalAdvance(sample);
        const qreal above = QFontMetricsF(overlayFont(size + 0.5, QFont::DemiBold)).horizontalAdvance(sample);
        const FractionalFont font = FractionalFont::overlay(size, QFont::DemiBold);
        EXPECT_GT(font.horizontalAdvance(sample), below + 1) << size;
        EXPECT_LT(font.horizontalAdvance(sample), above - 1) << size;
        EXPECT_GT(font.height(), QFontMetricsF(overlayFont(size - 0.5, QFont::DemiBold)).height() - 0.01);
        EXPECT_LT(inkWidthAt(size), inkWidthAt(size + 0.5)) << size;
        EXPECT_GT(inkWidthAt(size), inkWidthAt(size - 0.5)) << size;
    }
}

TEST(FractionalFont, AButtonLabelKeepsItsFractionalSize)
{
    const FractionalFont half = FractionalFont::overlay(13.5, QFont::DemiBold);
    const ButtonLabel fractional { "Snooze 1m", Symbol::none, half.font, {}, half.scale };
    const ButtonLabel smaller { "Snooze 1m", Symbol::none, overlayFont(13, QFont::DemiBold), {} };
    const ButtonLabel larger { "Snooze 1m", Symbol::none, overlayFont(14, QFont::DemiBold), {} };
    EXPECT_GT(fractional.contentSize().width(), smaller.contentSize().width() + 0.5);
    EXPECT_LT(fractional.contentSize().width(), larger.contentSize().width() - 0.5);
    const int drawn = inkWidth([&](QPainter& painter, const QRectF& rect) {
        fractional.paint(painter, QRectF(rect.topLeft(), fractional.size()), Qt::black);
    });
    EXPECT_GT(drawn, inkWidth([&](QPainter& painter, const QRectF& rect) {
        smaller.paint(painter, QRectF(rect.topLeft(), smaller.size()), Qt::black);
    }));
}
