#pragma once

#include "platform/sound/SystemSound.h"

#include <QHash>
#include <QStringList>

namespace platform {

// Sounds for tests: names a test makes available, with their durations, and a log of what was
// played, looped and stopped.
class MemorySystemSound final : public SystemSound
{
public:
    void addSound(const QString& name, double duration) { m_durations.insert(name, duration); }

    std::unique_ptr<Sound> named(const QString& name) override;
    void beep() override { m_events.append(QStringLiteral("beep")); }

    // Entries "play NAME", "loop NAME" (looping switched on), "stop NAME" and "beep", in order.
    QStringList events() const { return m_events; }
    int count(const QString& event) const { return int(m_events.count(event)); }
    void clearEvents() { m_events.clear(); }

private:
    friend class MemorySound;
    QHash<QString, double> m_durations;
    QStringList m_events;
};

} // namespace platform
