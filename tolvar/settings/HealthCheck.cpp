#include "tolvar/settings/HealthCheck.h"

#include "platform/text/Localized.h"
#include "tolvar/core/AppModel.h"
#include "tolvar/settings/HealthReport.h"
#include "tolvar/settings/SettingsStyle.h"
#include "tolvar/settings/SymbolView.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace tolvar {

namespace {

void setTextColor(QLabel* label, const QColor& color)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

// The orange local-only note with its symbol, on an orange-tinted rounded panel.
class SyncHint : public QWidget
{
public:
    explicit SyncHint(QWidget* parent)
        : QWidget(parent)
    {
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(10, 10, 10, 10);
        row->setSpacing(6);
        row->addWidget(
            new SymbolView(QStringLiteral("icloud.slash"), 13, settingsStyle::orange(), this), 0, Qt::AlignTop);
        QLabel* text = settingsStyle::label(platform::localized("Local-only mode is active. Sign into iCloud in "
                                                                "System Settings to sync across Macs."),
            settingsStyle::captionFont(), false, this);
        setTextColor(text, settingsStyle::orange());
        row->addWidget(text, 1);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor fill = settingsStyle::orange();
        fill.setAlphaF(0.1);
        QColor outline = settingsStyle::orange();
        outline.setAlphaF(0.22);
        painter.setPen(QPen(outline, 1));
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    }
};

} // namespace

HealthStatusTile::HealthStatusTile(QWidget* parent)
    : QWidget(parent)
    , m_symbol(new SymbolView(QString(), 22, settingsStyle::green(), this))
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(14, 14, 14, 14);
    row->setSpacing(12);
    m_symbol->setFixedWidth(28);
    row->addWidget(m_symbol);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    m_title = settingsStyle::label(QString(), settingsStyle::font(11, QFont::DemiBold), true, this);
    m_value = settingsStyle::label(QString(), settingsStyle::font(14, QFont::DemiBold), false, this);
    m_value->setWordWrap(false);
    texts->addWidget(m_title);
    texts->addWidget(m_value);
    row->addLayout(texts, 1);
    setMinimumHeight(72);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void HealthStatusTile::set(const char* title, const QString& value, const QString& systemImage, bool isWarning)
{
    m_title->setText(platform::localized(title));
    m_value->setText(value);
    m_isWarning = isWarning;
    m_symbol->setSymbol(systemImage, isWarning ? settingsStyle::orange() : settingsStyle::green());
    update();
}

QString HealthStatusTile::title() const
{
    return m_title->text();
}

QString HealthStatusTile::value() const
{
    return m_value->text();
}

QString HealthStatusTile::systemImage() const
{
    return m_symbol->symbol();
}

void HealthStatusTile::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor outline = m_isWarning ? settingsStyle::orange() : settingsStyle::separator();
    outline.setAlphaF(m_isWarning ? 0.22 : outline.alphaF() * 0.7);
    painter.setPen(QPen(outline, 1));
    painter.setBrush(settingsStyle::controlBackground());
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
}

HealthRow::HealthRow(QWidget* parent)
    : QWidget(parent)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    m_title = settingsStyle::label(QString(), settingsStyle::font(13, QFont::Medium), true, this);
    m_title->setFixedWidth(150);
    m_value = settingsStyle::label(QString(), settingsStyle::font(13), false, this);
    row->addWidget(m_title, 0, Qt::AlignTop);
    row->addWidget(m_value, 1, Qt::AlignTop);
}

void HealthRow::set(const char* title, const QString& value, bool isWarning)
{
    m_title->setText(platform::localized(title));
    m_value->setText(value);
    m_isWarning = isWarning;
    setTextColor(m_value, isWarning ? settingsStyle::red() : settingsStyle::primaryText());
}

QString HealthRow::title() const
{
    return m_title->text();
}

QString HealthRow::value() const
{
    return m_value->text();
}

HealthTiles::HealthTiles(AppModel& appModel, QWidget* parent)
    : QWidget(parent)
    , m_appModel(appModel)
{
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);
    for (int i = 0; i < 4; ++i) {
        auto* tile = new HealthStatusTile(this);
        row->addWidget(tile, 1);
        m_tiles.append(tile);
    }
    refresh();
}

void HealthTiles::refresh()
{
    const HealthReport report = HealthReport::of(m_appModel);
    for (qsizetype i = 0; i < m_tiles.size() && i < report.tiles.size(); ++i) {
        const HealthReport::Tile& tile = report.tiles[i];
        m_tiles[i]->set(tile.title, tile.value, tile.systemImage, tile.isWarning);
    }
}

HealthCheckCard::HealthCheckCard(AppModel& appModel, QWidget* parent)
    : MacSettingsCardTitled("Health Check", QStringLiteral("heart.text.square.fill"), std::nullopt, QColor(), parent)
    , m_appModel(appModel)
{
    body().setSpacing(10);
    for (int i = 0; i < 8; ++i) {
        auto* row = new HealthRow(this);
        body().addWidget(row);
        m_rows.append(row);
    }
    m_syncHint = new SyncHint(this);
    body().addWidget(m_syncHint);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 4, 0, 0);
    buttons->setSpacing(10);
    auto* refreshButton = new QPushButton(platform::localized("Refresh Health"), this);
    connect(refreshButton, &QPushButton::clicked, this, &HealthCheckCard::refreshHealth);
    buttons->addWidget(refreshButton);
    buttons->addStretch(1);
    body().addLayout(buttons);
    refresh();
}

void HealthCheckCard::refresh()
{
    const HealthReport report = HealthReport::of(m_appModel);
    for (qsizetype i = 0; i < m_rows.size() && i < report.rows.size(); ++i) {
        const HealthReport::Row& row = report.rows[i];
        m_rows[i]->set(row.title, row.value, row.isWarning);
    }
    m_syncHint->setVisible(report.showsSyncHint);
}

void HealthCheckCard::refreshHealth()
{
    // Not awaited: the rows follow the model when the refresh publishes.
    m_appModel.refresh();
}

bool HealthCheckCard::isSyncHintShown() const
{
    return !m_syncHint->isHidden();
}

} // namespace tolvar
