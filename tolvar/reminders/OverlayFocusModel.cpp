#include "tolvar/reminders/OverlayFocusModel.h"

#include <algorithm>

namespace tolvar {

void OverlayFocusModel::setFocusIndex(int index)
{
    if (index == m_focusIndex)
        return;
    m_focusIndex = index;
    Q_EMIT focusIndexChanged();
}

void OverlayFocusModel::configure(const QList<Item>& items, int initialIndex)
{
    if (m_configured)
        return;
    m_items = items;
    m_configured = true;
    setFocusIndex(std::min(std::max(int(items.size()) - 1, 0), std::max(initialIndex, 0)));
}

void OverlayFocusModel::moveNext()
{
    if (!m_items.isEmpty())
        setFocusIndex(std::min(m_focusIndex + 1, int(m_items.size()) - 1));
}

void OverlayFocusModel::activate()
{
    if (m_focusIndex >= 0 && m_focusIndex < m_items.size()) {
        // The item may end the overlay and with it this model.
        const std::function<void()> perform = m_items.at(m_focusIndex).perform;
        perform();
    }
}

bool OverlayFocusModel::isFocused(const QString& id) const
{
    return m_focusIndex >= 0 && m_focusIndex < m_items.size() && m_items.at(m_focusIndex).id == id;
}

} // namespace tolvar
