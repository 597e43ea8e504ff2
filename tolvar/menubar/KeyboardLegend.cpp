#include "tolvar/menubar/KeyboardLegend.h"

#include "platform/text/Localized.h"
#include "tolvar/menubar/PanelStyle.h"
#include "tolvar/style/WrappedText.h"

#include <QPainter>

namespace tolvar {

namespace {
QFont legendFont()
{
    return PanelStyle::font(10, QFont::Medium);
}
} // namespace

KeyboardLegend::KeyboardLegend(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(platform::localized("Keyboard shortcuts: left right or Ctrl H L change day, up down or Ctrl J K "
                                          "select meeting, return open, Ctrl M mute, Ctrl U unmute"));
}

QString KeyboardLegend::text()
{
    return platform::localized("←→ / CtrlHL day  ·  ↑↓ / CtrlJK select  ·  ⏎ open  ·  CtrlM mute  ·  CtrlU unmute");
}

QSize KeyboardLegend::sizeHint() const
{
    return { PanelStyle::columnWidth, int(std::ceil(PanelStyle::lineHeight(legendFont()))) };
}

void KeyboardLegend::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // Shrinks to 0.85 of its size before it is cut.
    const WrappedText line = WrappedText::make(text(), legendFont(), width(), 1, 0.85);
    line.paint(painter, QRectF(0, (height() - line.height()) / 2, width(), line.height()), Qt::AlignLeft,
        PanelStyle::white(0.38));
}

} // namespace tolvar
