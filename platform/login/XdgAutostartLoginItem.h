#pragma once

#include "platform/login/LoginItem.h"

namespace platform {

// The login item as an XDG autostart entry that starts the given executable.
class XdgAutostartLoginItem final : public LoginItem
{
public:
    // The entry $XDG_CONFIG_HOME/autostart/tolvar.desktop starting the running executable.
    XdgAutostartLoginItem();
    XdgAutostartLoginItem(const QString& entryPath, const QString& executablePath);

    std::optional<QString> registerItem() override;
    std::optional<QString> unregisterItem() override;
    Status status() const override;

    QString entryPath() const { return m_entryPath; }

private:
    QString m_entryPath;
    QString m_executablePath;
};

} // namespace platform
