#pragma once

#include "tolvar/style/FractionalFont.h"

#include <QLabel>

namespace tolvar {

// A plain-text label in a font of a fractional size, which a QLabel would round to a whole pixel. It
// stays a QLabel, so its text is found and read like any other label's.
class FractionalLabel : public QLabel
{
public:
    FractionalLabel(const QString& text, const FractionalFont& font, QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    FractionalFont m_font;
};

} // namespace tolvar
