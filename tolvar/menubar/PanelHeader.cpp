#include "tolvar/menubar/PanelHeader.h"

#include "platform/text/Localized.h"
#include "tolvar/menubar/PanelStyle.h"
#include "tolvar/style/Palette.h"

#include <QEvent>
#include <QLinearGradient>
#include <QPainter>

namespace tolvar {

namespace {
constexpr qreal markSize = 14;
constexpr qreal spacing = 8;

QFont brandFont()
{
    return PanelStyle::font(13, QFont::Bold);
}
FractionalFont statusFont()
{
    return PanelStyle::fractionalFont(10.5, QFont::Medium);
}
} // namespace

PanelHeader::PanelHeader(QWidget* parent)
    : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void PanelHeader::setSyncStatus(const QString& status)
{
    if (m_syncStatus == status)
        return;
    m_syncStatus = status;
    update();
}

void PanelHeader::setAccessory(QWidget* accessory)
{
    if (m_accessory == accessory)
        return;
    if (m_accessory)
        m_accessory->deleteLater();
    m_accessory = accessory;
    if (accessory) {
        accessory->setParent(this);
        accessory->show();
    }
    updateGeometry();
    placeAccessory();
    update();
}

QSize PanelHeader::sizeHint() const
{
    qreal height = std::max(markSize, PanelStyle::lineHeight(brandFont()));
    if (m_accessory)
        height = std::max(height, qreal(accessorySize().height()));
    return { PanelStyle::columnWidth, int(std::ceil(height)) };
}

void PanelHeader::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeAccessory();
}

bool PanelHeader::event(QEvent* event)
{
    // The accessory's own size changes (pinning shows its drag handle).
    if (event->type() == QEvent::LayoutRequest) {
        updateGeometry();
        placeAccessory();
    }
    return QWidget::event(event);
}

QSize PanelHeader::accessorySize() const
{
    // A widget without a layout has no size hint of its own, only the sizes it was fixed to.
    return m_accessory->sizeHint().expandedTo(m_accessory->minimumSize()).boundedTo(m_accessory->maximumSize());
}

void PanelHeader::placeAccessory()
{
    if (!m_accessory)
        return;
    const QSize size = accessorySize();
    m_accessory->setGeometry(width() - size.width(), (height() - size.height()) / 2, size.width(), size.height());
}

void PanelHeader::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const Palette& palette = Palette::shared();
    const qreal middle = height() / 2.0;
    const QRectF mark(0, middle - markSize / 2, markSize, markSize);
    QLinearGradient gradient(mark.topLeft(), mark.bottomRight());
    gradient.setColorAt(0, palette.teal);
    gradient.setColorAt(1, palette.blue);
    PanelStyle::fillRounded(painter, mark, 5, gradient, Qt::transparent);

    const QString brand = platform::localized("Tolvar");
    const qreal brandWidth = PanelStyle::textWidth(brandFont(), brand);
    PanelStyle::drawLine(
        painter, QRectF(mark.right() + spacing, 0, brandWidth + 1, height()), brand, brandFont(), Qt::white);
    if (m_accessory)
        return;
    // Shown as the model wrote it, not looked up.
    const qreal left = mark.right() + spacing + brandWidth + spacing;
    PanelStyle::drawLine(painter, QRectF(left, 0, width() - left, height()), m_syncStatus, statusFont(),
        PanelStyle::white(0.45), Qt::AlignRight);
}

} // namespace tolvar
