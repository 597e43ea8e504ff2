#pragma once

#include <QObject>
#include <QString>
#include <memory>

namespace platform {

// One sound that can be played from its start, looped and stopped.
class Sound : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Plays from the start, cutting off a play still in progress.
    virtual void play() = 0;
    virtual void stop() = 0;
    // While looping, every play starts again when it ends, until stopped.
    virtual void setLooping(bool looping) = 0;
    // Seconds; 0 when unknown.
    virtual double duration() const = 0;
};

// The desktop's named sounds and its beep. Playing never fails loudly: without a sound device a
// sound is simply not heard.
class SystemSound
{
public:
    virtual ~SystemSound() = default;

    // nullptr when the sound theme has no sound of that name.
    virtual std::unique_ptr<Sound> named(const QString& name) = 0;
    virtual void beep() = 0;
};

} // namespace platform
