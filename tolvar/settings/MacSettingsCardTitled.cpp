#include "tolvar/settings/MacSettingsCardTitled.h"

#include "platform/text/Localized.h"
#include "tolvar/settings/SettingsStyle.h"
#include "tolvar/settings/SymbolView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace tolvar {

namespace {

// The status word on a capsule tinted with its own colour.
class StatusPill : public QLabel
{
public:
    using QLabel::QLabel;

    void setColor(const QColor& color)
    {
        m_color = color;
        QPalette palette = this->palette();
        palette.setColor(QPalette::WindowText, color);
        setPalette(palette);
        update();
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor fill = m_color;
        fill.setAlphaF(0.12);
        const QRectF box = QRectF(rect());
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(box, box.height() / 2, box.height() / 2);
        painter.end();
        QLabel::paintEvent(event);
    }

private:
    QColor m_color;
};

} // namespace

MacSettingsCardTitled::MacSettingsCardTitled(
    const char* title, const QString& systemImage, std::optional<QString> status, QColor statusColor, QWidget* parent)
    : QWidget(parent)
    , m_title(platform::localized(title))
{
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(16, 16, 16, 16);
    stack->setSpacing(14);

    auto* titleLine = new QHBoxLayout;
    titleLine->setSpacing(8);
    if (!systemImage.isEmpty())
        titleLine->addWidget(new SymbolView(systemImage, 14, settingsStyle::secondaryText(), this));
    QLabel* titleLabel = settingsStyle::label(m_title, settingsStyle::font(13, QFont::DemiBold), true, this);
    titleLabel->setWordWrap(false);
    titleLine->addWidget(titleLabel);
    titleLine->addStretch(1);
    m_statusPill = new StatusPill(this);
    m_statusPill->setFont(settingsStyle::font(11, QFont::DemiBold));
    m_statusPill->setContentsMargins(8, 3, 8, 3);
    m_statusPill->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    titleLine->addWidget(m_statusPill);
    stack->addLayout(titleLine);

    m_body = new QVBoxLayout;
    m_body->setSpacing(10);
    stack->addLayout(m_body);

    setStatus(std::move(status), statusColor);
}

void MacSettingsCardTitled::setStatus(std::optional<QString> status, QColor statusColor)
{
    m_status = std::move(status);
    m_statusColor = statusColor.isValid() ? statusColor : settingsStyle::orange();
    m_statusPill->setVisible(m_status.has_value());
    if (m_status) {
        m_statusPill->setText(platform::localized(m_status->toUtf8().constData()));
        static_cast<StatusPill*>(m_statusPill)->setColor(m_statusColor);
    }
}

void MacSettingsCardTitled::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor outline = settingsStyle::separator();
    outline.setAlphaF(outline.alphaF() * 0.7);
    painter.setPen(QPen(outline, 1));
    painter.setBrush(settingsStyle::controlBackground());
    painter.drawRoundedRect(box, 8, 8);
}

MacSettingsDivider::MacSettingsDivider(QWidget* parent)
    : QWidget(parent)
{
    setFixedHeight(1);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void MacSettingsDivider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QColor line = settingsStyle::separator();
    line.setAlphaF(line.alphaF() * 0.75);
    painter.fillRect(rect(), line);
}

} // namespace tolvar
