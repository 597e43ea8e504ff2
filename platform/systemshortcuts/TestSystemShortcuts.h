#pragma once

#include "platform/systemshortcuts/SystemShortcuts.h"

namespace platform {

class TestSystemShortcuts final : public SystemShortcuts
{
public:
    void setShortcuts(const QList<SystemShortcut>& shortcuts) { m_shortcuts = shortcuts; }
    QList<SystemShortcut> enabledShortcuts() const override { return m_shortcuts; }

private:
    QList<SystemShortcut> m_shortcuts;
};

} // namespace platform
