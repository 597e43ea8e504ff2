#include "tolvar/settings/SettingsSymbol.h"

#include <QDir>
#include <QDirIterator>
#include <QHash>
#include <QIcon>
#include <QPainter>

namespace tolvar {

namespace {

// Each symbol name to the symbolic icon of the desktop's icon theme that shows the same thing.
const QHash<QString, QString>& iconNames()
{
    static const QHash<QString, QString> names {
        { QStringLiteral("calendar.badge.clock"), QStringLiteral("appointment-soon-symbolic") },
        { QStringLiteral("calendar.badge.exclamationmark"), QStringLiteral("appointment-missed-symbolic") },
        { QStringLiteral("calendar"), QStringLiteral("x-office-calendar-symbolic") },
        { QStringLiteral("checkmark.circle.fill"), QStringLiteral("emblem-ok-symbolic") },
        { QStringLiteral("exclamationmark.triangle.fill"), QStringLiteral("dialog-warning-symbolic") },
        { QStringLiteral("checklist"), QStringLiteral("checkbox-checked-symbolic") },
        { QStringLiteral("rectangle.inset.filled"), QStringLiteral("view-fullscreen-symbolic") },
        { QStringLiteral("heart.text.square.fill"), QStringLiteral("emblem-favorite-symbolic") },
        { QStringLiteral("icloud.slash"), QStringLiteral("network-offline-symbolic") },
        { QStringLiteral("power.circle.fill"), QStringLiteral("system-shutdown-symbolic") },
        { QStringLiteral("keyboard"), QStringLiteral("input-keyboard-symbolic") },
        { QStringLiteral("lock.shield.fill"), QStringLiteral("channel-secure-symbolic") },
        { QStringLiteral("lock.open.fill"), QStringLiteral("changes-allow-symbolic") },
        { QStringLiteral("bell.badge"), QStringLiteral("preferences-system-notifications-symbolic") },
        { QStringLiteral("list.bullet.rectangle"), QStringLiteral("view-list-bullet-symbolic") },
        { QStringLiteral("clock.badge.checkmark"), QStringLiteral("alarm-symbolic") },
        { QStringLiteral("moon.fill"), QStringLiteral("weather-clear-night-symbolic") },
        { QStringLiteral("rectangle.on.rectangle.angled"), QStringLiteral("video-joined-displays-symbolic") },
        { QStringLiteral("hammer.fill"), QStringLiteral("applications-engineering-symbolic") },
        { QStringLiteral("arrow.down.circle.fill"), QStringLiteral("software-update-available-symbolic") },
        { QStringLiteral("menubar.rectangle"), QStringLiteral("preferences-desktop-display-symbolic") },
        { QStringLiteral("plus"), QStringLiteral("list-add-symbolic") },
        { QStringLiteral("play.fill"), QStringLiteral("media-playback-start-symbolic") },
    };
    return names;
}

// The desktop's own theme first; then the symbolic icons of the stock theme, found by file, which works
// without a desktop session too.
QIcon loadIcon(const QString& iconName)
{
    QIcon icon = QIcon::fromTheme(iconName);
    if (!icon.isNull())
        return icon;
    static QHash<QString, QString> files;
    if (files.isEmpty()) {
        QDirIterator it(QStringLiteral("/usr/share/icons/Adwaita/scalable"), { QStringLiteral("*.svg") }, QDir::Files,
            QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            files.insert(it.fileInfo().completeBaseName(), it.filePath());
        }
    }
    const QString file = files.value(iconName);
    return file.isEmpty() ? QIcon() : QIcon(file);
}

} // namespace

QPixmap settingsSymbol(const QString& name, int size, const QColor& color)
{
    const QString iconName = iconNames().value(name);
    if (iconName.isEmpty())
        return {};
    const QIcon icon = loadIcon(iconName);
    QPixmap pixmap = icon.pixmap(size, size);
    if (pixmap.isNull())
        return {};
    QPainter painter(&pixmap);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(pixmap.rect(), color);
    return pixmap;
}

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
    const QPixmap pixmap = settingsSymbol(m_name, m_size, m_color);
    if (pixmap.isNull())
        return;
    QPainter painter(this);
    const QSizeF shown = QSizeF(pixmap.size()) / pixmap.devicePixelRatio();
    painter.drawPixmap(QPointF((width() - shown.width()) / 2, (height() - shown.height()) / 2), pixmap);
}

} // namespace tolvar
