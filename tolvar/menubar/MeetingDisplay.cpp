#include "tolvar/menubar/MeetingDisplay.h"

#include "platform/text/Localized.h"

namespace tolvar {

QString muteHelpText(bool muted)
{
    return muted ? platform::localized("Unmute reminder (Ctrl+U)") : platform::localized("Mute reminder (Ctrl+M)");
}

QString muteAccessibilityHint(bool muted)
{
    return muted ? platform::localized("Muted. Press Ctrl U to unmute.")
                 : platform::localized("Press Ctrl M to mute reminder.");
}

} // namespace tolvar
