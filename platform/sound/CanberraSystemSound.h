#pragma once

#include "platform/sound/SystemSound.h"

#include <QHash>
#include <QPointer>

struct ca_context;

namespace platform {

class CanberraSound;

// Named sounds of the freedesktop sound theme, played through libcanberra; the beep through Qt.
class CanberraSystemSound final : public QObject, public SystemSound
{
    Q_OBJECT
public:
    explicit CanberraSystemSound(QObject* parent = nullptr);
    ~CanberraSystemSound() override;

    std::unique_ptr<Sound> named(const QString& name) override;
    void beep() override;

    // The theme file of a sound name, looked up in the XDG data folders; empty when there is none.
    static QString themeFile(const QString& name);
    // The length of an Ogg Vorbis file from its last granule position; 0 when it cannot be read.
    static double oggVorbisDuration(const QString& path);

    // libcanberra's finish callback, brought back to the main thread.
    void finished(uint32_t id, int error);

private:
    friend class CanberraSound;
    uint32_t play(CanberraSound* sound, const QString& file);
    void cancel(uint32_t id);

    ca_context* m_context = nullptr;
    uint32_t m_lastID = 0;
    QHash<uint32_t, QPointer<CanberraSound>> m_playing;
};

} // namespace platform
