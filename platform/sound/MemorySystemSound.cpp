#include "platform/sound/MemorySystemSound.h"

namespace platform {

class MemorySound final : public Sound
{
public:
    MemorySound(MemorySystemSound& owner, QString name, double duration)
        : m_owner(owner)
        , m_name(std::move(name))
        , m_duration(duration)
    { }

    void play() override { m_owner.m_events.append(QStringLiteral("play ") + m_name); }
    void stop() override { m_owner.m_events.append(QStringLiteral("stop ") + m_name); }
    void setLooping(bool looping) override
    {
        if (looping)
            m_owner.m_events.append(QStringLiteral("loop ") + m_name);
    }
    double duration() const override { return m_duration; }

private:
    MemorySystemSound& m_owner;
    QString m_name;
    double m_duration;
};

std::unique_ptr<Sound> MemorySystemSound::named(const QString& name)
{
    if (!m_durations.contains(name))
        return nullptr;
    return std::make_unique<MemorySound>(*this, name, m_durations.value(name));
}

} // namespace platform
