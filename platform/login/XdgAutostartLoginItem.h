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

    // While the entry is on and its Exec starts another Tolvar program by its path, makes it start this
    // executable, so that the program installed or moved since the user turned it on is the one that
    // starts at login; its arguments stay. Returns the failure's description.
    std::optional<QString> followExecutable();

    QString entryPath() const { return m_entryPath; }

private:
    bool isOtherTolvarProgram(const QString& path) const;
    std::optional<QString> writeEntry(const QString& entry) const;

    QString m_entryPath;
    QString m_executablePath;
};

} // namespace platform
