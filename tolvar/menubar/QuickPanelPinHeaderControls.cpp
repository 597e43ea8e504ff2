#include "tolvar/menubar/QuickPanelPinHeaderControls.h"

#include "platform/text/Localized.h"
#include "tolvar/menubar/PanelStyle.h"
#include "tolvar/menubar/PanelWindowDragHandle.h"
#include "tolvar/menubar/QuickPanelPinModel.h"
#include "tolvar/style/Palette.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace tolvar {

namespace {

FractionalFont statusFont()
{
    return PanelStyle::fractionalFont(10.5, QFont::Medium);
}

// The pin button's face in its two states.
class PinButton : public QAbstractButton
{
public:
    using QAbstractButton::QAbstractButton;

    bool pinned = false;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor teal = Palette::shared().teal;
        const QColor symbol = pinned ? teal : PanelStyle::white(0.7);
        const QColor fill = pinned ? withOpacity(teal, 0.18) : PanelStyle::white(0.06);
        const QColor stroke = pinned ? withOpacity(teal, 0.45) : PanelStyle::white(0.1);
        const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath shape;
        shape.addRoundedRect(box, 7, 7);
        painter.fillPath(shape, isDown() ? fill.lighter(140) : fill);
        painter.strokePath(shape, QPen(stroke, 1));
        PanelStyle::paintSymbol(
            painter, pinned ? QStringLiteral("pin.fill") : QStringLiteral("pin"), rect(), 12, symbol);
    }
};

} // namespace

QuickPanelPinHeaderControls::QuickPanelPinHeaderControls(QuickPanelPinModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(&model)
    , m_dragHandle(new PanelWindowDragHandle(this))
    , m_pinButton(new PinButton(this))
{
    m_dragHandle->setToolTip(platform::localized("Drag to move"));
    m_pinButton->setCursor(Qt::PointingHandCursor);
    m_pinButton->setFocusPolicy(Qt::NoFocus);
    connect(m_pinButton, &QAbstractButton::clicked, &model, &QuickPanelPinModel::togglePin);
    connect(&model, &QuickPanelPinModel::isPinnedChanged, this, &QuickPanelPinHeaderControls::pinnedChanged);
    pinnedChanged();
}

bool QuickPanelPinHeaderControls::isPinned() const
{
    return m_model && m_model->isPinned();
}

void QuickPanelPinHeaderControls::pinnedChanged()
{
    const bool pinned = isPinned();
    static_cast<PinButton*>(m_pinButton)->pinned = pinned;
    m_pinButton->setToolTip(pinned ? platform::localized("Unpin — click outside closes; panel shortcuts return")
                                   : platform::localized("Pin — stay on top, drag anywhere, no click-outside close; "
                                                         "panel shortcuts pause so other apps keep the keyboard"));
    m_pinButton->setAccessibleName(
        pinned ? platform::localized("Unpin Quick Panel") : platform::localized("Pin Quick Panel"));
    m_dragHandle->setVisible(pinned);
    updateGeometry();
    placeChildren();
    update();
}

void QuickPanelPinHeaderControls::setSyncStatus(const QString& status)
{
    if (m_syncStatus == status)
        return;
    m_syncStatus = status;
    updateGeometry();
    placeChildren();
    update();
}

QSize QuickPanelPinHeaderControls::sizeHint() const
{
    const int status = int(std::ceil(PanelStyle::textWidth(statusFont(), m_syncStatus)));
    const int handle = isPinned() ? handleWidth + spacing : 0;
    const int height = std::max({ buttonSize, handleHeight, int(std::ceil(PanelStyle::lineHeight(statusFont()))) });
    return QSize(handle + buttonSize + spacing + status, height);
}

void QuickPanelPinHeaderControls::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeChildren();
}

void QuickPanelPinHeaderControls::placeChildren()
{
    int x = 0;
    if (isPinned()) {
        m_dragHandle->setGeometry(x, (height() - handleHeight) / 2, handleWidth, handleHeight);
        x += handleWidth + spacing;
    }
    m_pinButton->setGeometry(x, (height() - buttonSize) / 2, buttonSize, buttonSize);
}

void QuickPanelPinHeaderControls::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (isPinned())
        PanelStyle::paintSymbol(
            painter, QStringLiteral("line.3.horizontal"), m_dragHandle->geometry(), 11, PanelStyle::white(0.45));
    const int left = m_pinButton->geometry().right() + 1 + spacing;
    const QRectF statusRect(left, 0, width() - left, height());
    PanelStyle::drawLine(painter, statusRect, m_syncStatus, statusFont(), PanelStyle::white(0.45));
}

} // namespace tolvar
