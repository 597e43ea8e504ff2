#include "tolvar/style/FractionalFont.h"
#include "tolvar/style/ButtonLabel.h"
#include "tolvar/style/FractionalLabel.h"
#include "tolvar/style/WrappedText.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>

using namespace tolvar;

namespace {

const QString sample = QStringLiteral("Meeting in 125s");

// The columns from the leftmost to the rightmost inked pixel of `image`.
int inkWidth(const QImage& image)
{
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
    return inkWidth(image);
}

// The ink a label leaves, at its own size hint.
int inkWidth(QLabel& label)
{
    label.resize(label.sizeHint());
    QImage image(label.size() + QSize(20, 20), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    label.render(&image, QPoint(10, 10), QRegion(), QWidget::DrawChildren);
    return inkWidth(image);
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

TEST(FractionalFont, ALabelKeepsItsFractionalSize)
{
    QLabel smaller(sample);
    smaller.setFont(overlayFont(10, QFont::Normal));
    QLabel larger(sample);
    larger.setFont(overlayFont(11, QFont::Normal));
    FractionalLabel fractional(sample, FractionalFont::overlay(10.5, QFont::Normal));
    EXPECT_GT(fractional.sizeHint().width(), smaller.sizeHint().width());
    EXPECT_LT(fractional.sizeHint().width(), larger.sizeHint().width());
    EXPECT_GT(inkWidth(fractional), inkWidth(smaller));
    EXPECT_LT(inkWidth(fractional), inkWidth(larger));
    EXPECT_EQ(fractional.text(), sample);
}

TEST(FractionalFont, WrappedTextBreaksAtTheWidthItIsDrawnAt)
{
    const QString text = QStringLiteral("No meetings coming up in the calendars you watch.");
    const FractionalFont font = FractionalFont::overlay(12.5, QFont::Normal);
    const qreal width = 120;
    const WrappedText wrapped = WrappedText::make(text, font, width, 100);
    ASSERT_GT(wrapped.lines.size(), 1);
    EXPECT_LE(wrapped.width, width);
    for (const QString& line : wrapped.lines)
        EXPECT_LE(font.horizontalAdvance(line), width + 0.01) << line.toStdString();
    EXPECT_DOUBLE_EQ(wrapped.lineHeight, font.height());
    // The drawn ink stays within the width as well, and each line is drawn at its own height.
    QImage image(200, 200, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        wrapped.paint(painter, QRectF(0, 0, width, wrapped.height()), Qt::AlignLeft, Qt::black);
    }
    EXPECT_LE(inkWidth(image), int(width));
    int lastInkedRow = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 64)
                lastInkedRow = y;
        }
    }
    EXPECT_GT(lastInkedRow, int(wrapped.height() - wrapped.lineHeight));
    EXPECT_LE(lastInkedRow, int(std::ceil(wrapped.height())));
}

TEST(FractionalFont, AWrappingLabelGrowsTallerWhenNarrower)
{
    FractionalLabel label(QStringLiteral("Fullscreen meeting reminders for the calendars you choose."),
        FractionalFont::overlay(12.5, QFont::Normal));
    label.setWordWrap(true);
    EXPECT_TRUE(label.hasHeightForWidth());
    const int oneLine = label.heightForWidth(2000);
    EXPECT_EQ(oneLine, int(std::ceil(FractionalFont::overlay(12.5, QFont::Normal).height())));
    EXPECT_GT(label.heightForWidth(150), oneLine);
    // It asks a layout for the width a label of the nearest whole size would, so nothing around it moves.
    QLabel whole(label.text());
    whole.setFont(overlayFont(13, QFont::Normal));
    whole.setWordWrap(true);
    EXPECT_EQ(label.sizeHint().width(), whole.sizeHint().width());
}
