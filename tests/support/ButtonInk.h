#pragma once

#include <QColor>

class QAbstractButton;

namespace testsupport {

// What a push button shows across its middle: the fill beside its label, and the strongest colour of
// its symbol and of its title (invalid where there is none).
struct ButtonInk
{
    QColor fill;
    QColor symbol;
    QColor title;
};

// `symbolWidth`: the width of the symbol before the title, 0 for a button without one.
ButtonInk buttonInk(QAbstractButton& button, int symbolWidth);
// Euclidean distance of two colours in RGB, 0 to about 441.
double colorDistance(const QColor& a, const QColor& b);

} // namespace testsupport
