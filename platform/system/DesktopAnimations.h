#pragma once

#include <QStringList>
#include <optional>

namespace platform {

// The desktop's own "animations" switch, its reduce-motion setting: GNOME's
// org.gnome.desktop.interface enable-animations, or KDE's animation speed factor in kdeglobals
// (0 is "instant"). Qt's effect flags say nothing here: they are off on a stock X11 session.
class DesktopAnimations
{
public:
    // True unless the running desktop turned animations off, or when there is no such setting.
    static bool enabled();

    // KDE's verdict from kdeglobals files, the user's first; absent when none sets the factor.
    static std::optional<bool> fromKdeGlobals(const QStringList& files);
    // GNOME's verdict, read through gsettings; absent when the setting cannot be read.
    static std::optional<bool> fromGSettings();
};

} // namespace platform
