#include "tolvar/style/SymbolIcon.h"

#include <QDir>
#include <QFont>
#include <QHash>
#include <QIcon>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <QStandardPaths>
#include <cmath>

namespace tolvar::SymbolIcon {

namespace {
// One table for every view. Names with no fitting icon are drawn by hand below.
const QHash<QString, QString>& table()
{
    static const QHash<QString, QString> icons = {
        { "arrow.clockwise", "view-refresh-symbolic" },
        { "arrow.down.circle.fill", "software-update-available-symbolic" },
        { "bell.badge", "preferences-system-notifications-symbolic" },
        { "bell.slash.fill", "notifications-disabled-symbolic" },
        { "calendar", "x-office-calendar-symbolic" },
        { "calendar.badge.clock", "appointment-soon-symbolic" },
        { "calendar.badge.exclamationmark", "appointment-missed-symbolic" },
        { "checklist", "view-list-bullet-symbolic" },
        { "checkmark", "object-select-symbolic" },
        { "chevron.left", "pan-start-symbolic" },
        { "chevron.right", "pan-end-symbolic" },
        { "clock.badge.checkmark", "alarm-symbolic" },
        { "doc.on.doc", "edit-copy-symbolic" },
        { "exclamationmark.triangle.fill", "dialog-warning-symbolic" },
        { "gearshape", "emblem-system-symbolic" },
        { "hammer.fill", "applications-engineering-symbolic" },
        { "heart.text.square.fill", "emblem-favorite-symbolic" },
        { "icloud.slash", "network-offline-symbolic" },
        { "keyboard", "input-keyboard-symbolic" },
        { "line.3.horizontal", "open-menu-symbolic" },
        { "list.bullet.rectangle", "view-list-bullet-symbolic" },
        { "lock.open.fill", "changes-allow-symbolic" },
        { "lock.shield.fill", "channel-secure-symbolic" },
        { "mappin.and.ellipse", "mark-location-symbolic" },
        { "menubar.rectangle", "preferences-desktop-display-symbolic" },
        { "moon.fill", "weather-clear-night-symbolic" },
        { "person.2.wave.2.fill", "system-users-symbolic" },
        { "person.fill", "avatar-default-symbolic" },
        { "pin", "view-pin-symbolic" },
        { "pin.fill", "view-pin-symbolic" },
        { "play.fill", "media-playback-start-symbolic" },
        { "plus", "list-add-symbolic" },
        { "power", "system-shutdown-symbolic" },
        { "power.circle.fill", "system-shutdown-symbolic" },
        { "questionmark.bubble", "system-help-symbolic" },
        { "rectangle.inset.filled", "view-fullscreen-symbolic" },
        { "rectangle.on.rectangle.angled", "video-joined-displays-symbolic" },
        { "repeat", "media-playlist-repeat-symbolic" },
        { "video.fill", "camera-video-symbolic" },
        { "xmark", "window-close-symbolic" },
    };
    return icons;
}

// Symbols the theme has nothing fitting for.
const QStringList& handDrawn()
{
    static const QStringList names
        = { "circle", "checkmark.circle.fill", "xmark.circle.fill", "questionmark.circle.fill" };
    return names;
}

// Works without a desktop session: the theme is named and looked for in the data folders.
void useSymbolicTheme()
{
    static const bool ready = [] {
        QStringList paths = QIcon::themeSearchPaths();
        for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
            const QString icons = QDir(data).filePath(QStringLiteral("icons"));
            if (!paths.contains(icons))
                paths.append(icons);
        }
        QIcon::setThemeSearchPaths(paths);
        QIcon::setThemeName(QStringLiteral("Adwaita"));
        return true;
    }();
    Q_UNUSED(ready);
}

void drawByHand(QPainter& painter, const QString& symbol, const QRectF& box, const QColor& color)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF ring = box.adjusted(box.width() * 0.1, box.height() * 0.1, -box.width() * 0.1, -box.height() * 0.1);
    if (symbol == QLatin1String("circle")) {
        painter.setPen(QPen(color, std::max(1.0, box.width() / 9)));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(ring);
        return;
    }
    // A filled disc with its mark cut out of it.
    QPainterPath disc;
    disc.addEllipse(ring);
    const QRectF inner
        = ring.adjusted(ring.width() * 0.28, ring.height() * 0.28, -ring.width() * 0.28, -ring.height() * 0.28);
    QPainterPath mark;
    if (symbol == QLatin1String("questionmark.circle.fill")) {
        QFont font;
        font.setPixelSize(int(ring.height() * 0.72));
        font.setBold(true);
        mark.addText(0, 0, font, QStringLiteral("?"));
        mark.translate(ring.center() - mark.boundingRect().center());
    } else {
        QPainterPath lines;
        if (symbol == QLatin1String("checkmark.circle.fill")) {
            lines.moveTo(inner.left(), inner.center().y());
            lines.lineTo(inner.left() + inner.width() * 0.38, inner.bottom() - inner.height() * 0.1);
            lines.lineTo(inner.right(), inner.top() + inner.height() * 0.1);
        } else {
            lines.moveTo(inner.topLeft());
            lines.lineTo(inner.bottomRight());
            lines.moveTo(inner.topRight());
            lines.lineTo(inner.bottomLeft());
        }
        QPainterPathStroker stroker;
        stroker.setWidth(ring.width() / 8);
        stroker.setCapStyle(Qt::RoundCap);
        stroker.setJoinStyle(Qt::RoundJoin);
        mark = stroker.createStroke(lines);
    }
    painter.fillPath(disc.subtracted(mark), color);
}
} // namespace

QString themeIconName(const QString& symbol)
{
    return table().value(symbol);
}

QStringList symbols()
{
    QStringList names = table().keys() + handDrawn();
    names.sort();
    return names;
}

QPixmap pixmap(const QString& symbol, qreal size, const QColor& color, qreal devicePixelRatio)
{
    const bool byHand = handDrawn().contains(symbol);
    const QString iconName = themeIconName(symbol);
    if (iconName.isEmpty() && !byHand)
        return {};
    // Rebuilds repaint the same few symbols many times; the tinted pixmaps are kept.
    static QHash<QString, QPixmap> cache;
    const QString key = QStringLiteral("%1|%2|%3|%4").arg(symbol).arg(size).arg(color.rgba()).arg(devicePixelRatio);
    if (const auto cached = cache.constFind(key); cached != cache.constEnd())
        return *cached;

    const int pixels = int(std::ceil(size * devicePixelRatio));
    QPixmap tinted(pixels, pixels);
    tinted.fill(Qt::transparent);
    QPainter painter(&tinted);
    if (byHand) {
        drawByHand(painter, symbol, QRectF(0, 0, pixels, pixels), color);
    } else {
        useSymbolicTheme();
        painter.drawPixmap(0, 0, QIcon::fromTheme(iconName).pixmap(QSize(pixels, pixels)));
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(tinted.rect(), color);
    }
    painter.end();
    tinted.setDevicePixelRatio(devicePixelRatio);
    cache.insert(key, tinted);
    return tinted;
}

void paint(QPainter& painter, const QString& symbol, const QRectF& box, qreal size, const QColor& color)
{
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QPixmap image = pixmap(symbol, size, color, ratio);
    if (image.isNull())
        return;
    painter.drawPixmap(QPointF(box.center().x() - size / 2, box.center().y() - size / 2), image);
}

} // namespace tolvar::SymbolIcon
