#include "platform/cloud/FolderCloudAccount.h"

#include "platform/cloud/FolderKeyValueStore.h"
#include "platform/files/RegularFile.h"
#include "platform/files/WholeFileWriter.h"
#include "platform/time/Clock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFutureInterface>
#include <QMutex>
#include <QMutexLocker>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtConcurrent/QtConcurrentRun>
#include <cmath>

namespace platform {

namespace {

constexpr qint64 maxTokenSize = 4096;
// How long after the last read was asked for a call asks for another: a sign-in or out is seen within about this long.
constexpr double rereadAfter = 1;

QByteArray freshToken()
{
    QByteArray bytes(32, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = char(QRandomGenerator::system()->bounded(256));
    return bytes.toHex();
}

} // namespace

std::unique_ptr<FolderCloudAccount> FolderCloudAccount::createStandard(const Clock& clock)
{
    const QString folder = FolderKeyValueStore::standardFolder();
    createFolderIfMissing(folder);
    return std::make_unique<FolderCloudAccount>(folder, clock);
}

bool FolderCloudAccount::createFolderIfMissing(const QString& folder)
{
    const QFileInfo info(folder);
    if (info.exists() || info.isSymLink())
        return false;
    const QString parent = info.absolutePath();
    QDir().mkpath(parent);
    // Built beside it and renamed into place, so that a crash never leaves a folder without its token,
    // which would read as signed out for good.
    QTemporaryDir staging(parent + QStringLiteral("/.cloud-XXXXXX"));
    if (!staging.isValid())
        return false;
    if (const std::optional<QString> error
        = WholeFileWriter::writeFile(staging.filePath(QStringLiteral("identity")), freshToken())) {
        qWarning("Could not create the shared folder %s: %s", qUtf8Printable(folder), qUtf8Printable(*error));
        return false;
    }
    // Fails without replacing anything when the folder appeared meanwhile.
    if (!QDir().rename(staging.path(), folder))
        return false;
    staging.setAutoRemove(false);
    return true;
}

struct FolderCloudAccount::Reading
{
    QMutex mutex;
    std::optional<QByteArray> token;
    // When the last read was asked for.
    Date askedAt;
    bool isReading = false;
    // Finished by the first read.
    QFutureInterface<void> known;
};

FolderCloudAccount::FolderCloudAccount(const QString& folder, const Clock& clock)
    : m_folder(folder)
    , m_clock(clock)
    , m_reading(std::make_shared<Reading>())
{
    m_reading->known.reportStarted();
    m_known = m_reading->known.future();
    startRead();
}

bool FolderCloudAccount::isKnown() const
{
    return m_known.isFinished();
}

std::optional<QByteArray> FolderCloudAccount::ubiquityIdentityToken() const
{
    QMutexLocker locker(&m_reading->mutex);
    // A clock set back reads again too.
    if (!m_reading->isReading && std::abs(m_clock.now().secondsSince(m_reading->askedAt)) >= rereadAfter) {
        locker.unlock();
        startRead();
        locker.relock();
    }
    return m_reading->token;
}

void FolderCloudAccount::startRead() const
{
    {
        const QMutexLocker locker(&m_reading->mutex);
        m_reading->isReading = true;
        m_reading->askedAt = m_clock.now();
    }
    m_reader.start([reading = m_reading, path = m_folder + QStringLiteral("/identity")] {
        // A FIFO or a device there must not hold the thread. A link, which anyone who syncs the folder can put there,
        // is no token: it would read a file of the user's from outside the folder.
        RegularFile file(path, RegularFile::Links::Refused);
        const QByteArray token = file.readPrefix(maxTokenSize).value_or(QByteArray()).trimmed();
        QMutexLocker locker(&reading->mutex);
        reading->token = token.isEmpty() ? std::nullopt : std::optional(token);
        reading->isReading = false;
        locker.unlock();
        if (!reading->known.isFinished())
            reading->known.reportFinished();
    });
}

} // namespace platform
