#pragma once

#include <QList>

class QWidget;

namespace tolvar {

struct MeetingSnapshot;

// What the menu panel's Share action needs of the availability panel, which lives in a higher library.
class AvailabilitySharePanel
{
public:
    virtual ~AvailabilitySharePanel() = default;

    // The panel exists and is visible.
    virtual bool isOpen() const = 0;
    // Closes any open panel, then opens a new one beside `anchor` (or centred under the pointer
    // without one) that offers free time around `meetings`.
    virtual void show(QWidget* anchor, const QList<MeetingSnapshot>& meetings, bool hideFromScreenSharing) = 0;
    // Safe to call when nothing is open.
    virtual void close() = 0;
};

} // namespace tolvar
