#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <functional>

namespace tolvar {

// The keyboard focus of one reminder, shared by its windows on every screen.
class OverlayFocusModel : public QObject
{
    Q_OBJECT
public:
    struct Item
    {
        QString id;
        std::function<void()> perform;
    };

    using QObject::QObject;

    int focusIndex() const { return m_focusIndex; }
    void setFocusIndex(int index);
    const QList<Item>& items() const { return m_items; }
    bool configured() const { return m_configured; }

    // Only the first configuration counts, so every screen shows the focus the first view set.
    void configure(const QList<Item>& items, int initialIndex);
    // Stops at the last item; there is no wrap.
    void moveNext();
    void activate();
    bool isFocused(const QString& id) const;

Q_SIGNALS:
    void focusIndexChanged();

private:
    int m_focusIndex = 0;
    QList<Item> m_items;
    bool m_configured = false;
};

} // namespace tolvar
