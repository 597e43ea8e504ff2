#include "tolvar/settings/SymbolView.h"

#include "tolvar/style/SymbolIcon.h"

#include <QPainter>

namespace tolvar {

SymbolView::SymbolView(const QString& name, int size, const QColor& color, QWidget* parent)
    : QWidget(parent)
    , m_name(name)
    , m_size(size)
    , m_color(color)
{
    setFixedSize(size, size);
}

void SymbolView::setSymbol(const QString& name, const QColor& color)
{
    if (name == m_name && color == m_color)
        return;
    m_name = name;
    m_color = color;
    update();
}

void SymbolView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    SymbolIcon::paint(painter, m_name, QRectF(rect()), m_size, m_color);
}

} // namespace tolvar
