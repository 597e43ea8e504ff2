#pragma once

#include <QIconEngine>

namespace tolvar {

// Draws one of the tray icon's three symbols at whatever size the tray asks for.
class StatusIconEngine final : public QIconEngine
{
public:
    enum class Symbol { video, bell, calendar };

    explicit StatusIconEngine(Symbol symbol)
        : m_symbol(symbol)
    { }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override { return new StatusIconEngine(m_symbol); }
    QString key() const override { return QStringLiteral("TolvarStatus"); }

private:
    Symbol m_symbol;
};

} // namespace tolvar
