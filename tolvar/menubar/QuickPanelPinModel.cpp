#include "tolvar/menubar/QuickPanelPinModel.h"

namespace tolvar {

void QuickPanelPinModel::togglePin()
{
    m_isPinned = !m_isPinned;
    Q_EMIT isPinnedChanged(m_isPinned);
    if (m_onPinnedChange)
        m_onPinnedChange(m_isPinned);
}

} // namespace tolvar
