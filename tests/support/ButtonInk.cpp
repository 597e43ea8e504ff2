#include "tests/support/ButtonInk.h"

#include <QAbstractButton>
#include <QImage>
#include <QPixmap>
#include <cmath>

namespace testsupport {

namespace {
// Clear of the button's outline and rounded corners.
constexpr int edge = 5;
// Antialiased edges of letters and symbols differ this little from the fill and are not ink.
constexpr double inkThreshold = 50;
} // namespace

double colorDistance(const QColor& a, const QColor& b)
{
    return std::hypot(a.red() - b.red(), a.green() - b.green(), a.blue() - b.blue());
}

ButtonInk buttonInk(QAbstractButton& button, int symbolWidth)
{
    const QImage image = button.grab().toImage();
    const int middle = image.height() / 2;
    ButtonInk ink;
    ink.fill = image.pixelColor(edge - 1, middle);
    int firstInk = -1;
    double strongestSymbol = 0;
    double strongestTitle = 0;
    for (int x = edge; x < image.width() - edge; ++x) {
        for (int y = middle - 4; y <= middle + 4; ++y) {
            const QColor fill = image.pixelColor(edge - 1, y);
            const QColor pixel = image.pixelColor(x, y);
            const double distance = colorDistance(pixel, fill);
            if (distance < inkThreshold)
                continue;
            if (firstInk < 0)
                firstInk = x;
            // The symbol's first columns, and the title from where it surely starts (a symbol's box is
            // wider than what it draws, and the title follows the box after a gap).
            if (symbolWidth > 0 && x < firstInk + symbolWidth / 2) {
                if (distance > strongestSymbol) {
                    strongestSymbol = distance;
                    ink.symbol = pixel;
                }
            } else if (symbolWidth == 0 || x >= firstInk + symbolWidth + 4) {
                if (distance > strongestTitle) {
                    strongestTitle = distance;
                    ink.title = pixel;
                }
            }
        }
    }
    return ink;
}

} // namespace testsupport
