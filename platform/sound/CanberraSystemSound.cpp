#include "platform/sound/CanberraSystemSound.h"

#include <QApplication>
#include <QFile>
#include <QStandardPaths>
#include <alsa/asoundlib.h>
#include <canberra.h>

namespace platform {

// Plays one theme file; looping replays it from the finish callback.
class CanberraSound final : public Sound
{
public:
    CanberraSound(CanberraSystemSound& system, QString file)
        : m_system(system)
        , m_file(std::move(file))
        , m_duration(CanberraSystemSound::oggVorbisDuration(m_file))
    { }
    ~CanberraSound() override { stop(); }

    void play() override
    {
        stop();
        m_id = m_system.play(this, m_file);
    }
    void stop() override
    {
        if (m_id != 0)
            m_system.cancel(m_id);
        m_id = 0;
    }
    void setLooping(bool looping) override { m_looping = looping; }
    double duration() const override { return m_duration; }

    void finished(uint32_t id, bool completed)
    {
        if (id != m_id)
            return;
        m_id = 0;
        if (completed && m_looping)
            play();
    }

private:
    CanberraSystemSound& m_system;
    QString m_file;
    double m_duration;
    uint32_t m_id = 0;
    bool m_looping = false;
};

// libcanberra plays through ALSA, which prints every failure to standard error: dozens of lines per
// sound on a machine without a sound device. A missing sound is no error worth a line.
static void ignoreSoundLibraryError(const char*, int, const char*, int, const char*, ...)
{ }

CanberraSystemSound::CanberraSystemSound(QObject* parent)
    : QObject(parent)
{
    snd_lib_error_set_handler(ignoreSoundLibraryError);
    // Without a sound server or device this may fail; every play is then silently dropped.
    if (ca_context_create(&m_context) != CA_SUCCESS)
        m_context = nullptr;
    else
        ca_context_change_props(m_context, CA_PROP_APPLICATION_NAME, "Tolvar", nullptr);
}

CanberraSystemSound::~CanberraSystemSound()
{
    m_playing.clear();
    if (m_context)
        ca_context_destroy(m_context);
}

std::unique_ptr<Sound> CanberraSystemSound::named(const QString& name)
{
    const QString file = themeFile(name);
    if (file.isEmpty())
        return nullptr;
    return std::make_unique<CanberraSound>(*this, file);
}

void CanberraSystemSound::beep()
{
    QApplication::beep();
}

QString CanberraSystemSound::themeFile(const QString& name)
{
    for (const char* suffix : { ".oga", ".ogg", ".wav" }) {
        const QString path = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
            QStringLiteral("sounds/freedesktop/stereo/") + name + QLatin1String(suffix));
        if (!path.isEmpty())
            return path;
    }
    return {};
}

double CanberraSystemSound::oggVorbisDuration(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > 16 * 1024 * 1024)
        return 0;
    const QByteArray data = file.readAll();
    // Identification header: "\x01vorbis", version (4), channels (1), sample rate (4, little endian).
    const qsizetype header = data.indexOf(QByteArray("\x01vorbis", 7));
    const qsizetype lastPage = data.lastIndexOf("OggS");
    if (header < 0 || header + 16 > data.size() || lastPage < 0 || lastPage + 14 > data.size())
        return 0;
    auto littleEndian = [&data](qsizetype at, int bytes) {
        quint64 value = 0;
        for (int i = bytes - 1; i >= 0; --i)
            value = (value << 8) | quint8(data[at + i]);
        return value;
    };
    const quint64 sampleRate = littleEndian(header + 12, 4);
    const quint64 granule = littleEndian(lastPage + 6, 8);
    if (sampleRate == 0 || granule == ~quint64(0))
        return 0;
    return double(granule) / double(sampleRate);
}

static void onFinished(ca_context*, uint32_t id, int error, void* userData)
{
    // Called on libcanberra's own thread.
    auto* system = static_cast<CanberraSystemSound*>(userData);
    QMetaObject::invokeMethod(
        system, [system, id, error] { system->finished(id, error); }, Qt::QueuedConnection);
}

uint32_t CanberraSystemSound::play(CanberraSound* sound, const QString& file)
{
    if (!m_context)
        return 0;
    const uint32_t id = ++m_lastID;
    ca_proplist* properties = nullptr;
    if (ca_proplist_create(&properties) != CA_SUCCESS)
        return 0;
    ca_proplist_sets(properties, CA_PROP_MEDIA_FILENAME, file.toLocal8Bit().constData());
    ca_proplist_sets(properties, CA_PROP_MEDIA_ROLE, "event");
    const int result = ca_context_play_full(m_context, id, properties, onFinished, this);
    ca_proplist_destroy(properties);
    if (result != CA_SUCCESS)
        return 0;
    m_playing.insert(id, sound);
    return id;
}

void CanberraSystemSound::cancel(uint32_t id)
{
    m_playing.remove(id);
    if (m_context)
        ca_context_cancel(m_context, id);
}

void CanberraSystemSound::finished(uint32_t id, int error)
{
    const QPointer<CanberraSound> sound = m_playing.take(id);
    if (sound)
        sound->finished(id, error == CA_SUCCESS);
}

} // namespace platform
