#include "platform/sound/CanberraSystemSound.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using platform::CanberraSystemSound;

namespace {

// Everything the process writes to standard error while `work` runs, whoever writes it.
template <typename Work> QByteArray standardErrorOf(const QString& file, Work work)
{
    std::fflush(stderr);
    const int saved = dup(STDERR_FILENO);
    const int capture = open(QFile::encodeName(file).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(capture, STDERR_FILENO);
    close(capture);
    work();
    std::fflush(stderr);
    dup2(saved, STDERR_FILENO);
    close(saved);
    QFile written(file);
    return written.open(QIODevice::ReadOnly) ? written.readAll() : QByteArray("(capture lost)");
}

} // namespace

TEST(CanberraSystemSound, WithoutASoundDeviceNothingIsPrinted)
{
    QTemporaryDir dir;
    // The system's sound configuration with a default card no machine has: the sound library's
    // complaints about it are sure to come, sound hardware or not.
    QFile config(dir.filePath("asound.conf"));
    ASSERT_TRUE(config.open(QIODevice::WriteOnly));
    config.write("</usr/share/alsa/alsa.conf>\ndefaults.pcm.card 9\ndefaults.ctl.card 9\n");
    config.close();
    qputenv("ALSA_CONFIG_PATH", config.fileName().toUtf8());
    qputenv("CANBERRA_DRIVER", "alsa");

    const QByteArray printed = standardErrorOf(dir.filePath("stderr"), [] {
        CanberraSystemSound system;
        std::unique_ptr<platform::Sound> sound = system.named(QStringLiteral("bell"));
        ASSERT_TRUE(sound) << "the freedesktop sound theme is installed";
        EXPECT_GT(sound->duration(), 0);
        sound->play();
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 300)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        sound->stop();
    });
    qunsetenv("ALSA_CONFIG_PATH");
    qunsetenv("CANBERRA_DRIVER");
    EXPECT_TRUE(printed.isEmpty()) << printed.left(400).constData();
}
