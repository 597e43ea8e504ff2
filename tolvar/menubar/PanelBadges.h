#pragma once

#include <QPointF>
#include <QSizeF>
#include <QString>

class QPainter;

namespace tolvar::PanelBadges {

// The small capsule that names a meeting's kind or join service.
QSizeF capsuleLabelSize(const QString& text);
void paintCapsuleLabel(QPainter& painter, QPointF topLeft, const QString& text);
// The "Muted" capsule with its bell.
QSizeF mutedBadgeSize();
void paintMutedBadge(QPainter& painter, QPointF topLeft);

} // namespace tolvar::PanelBadges
