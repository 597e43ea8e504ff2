#pragma once

#include <QColor>

namespace tolvar {

// The application's six colours, made once and shared by every view.
struct Palette
{
    QColor backgroundTop;
    QColor backgroundBottom;
    QColor teal;
    QColor blue;
    QColor amber;
    QColor red;

    static const Palette& shared();
};

// `color` with its alpha set to `opacity`.
QColor withOpacity(QColor color, qreal opacity);

} // namespace tolvar
