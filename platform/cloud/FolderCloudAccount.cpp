#include "platform/cloud/FolderCloudAccount.h"

#include "platform/cloud/FolderKeyValueStore.h"
#include "platform/files/RegularFile.h"
#include "platform/files/WholeFileWriter.h"
#include "platform/time/Clock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

FolderCloudAccount::FolderCloudAccount(const QString& folder, const Clock& clock)
    : m_folder(folder)
    , m_clock(clock)
{
    m_reader.setMaxThreadCount(1);
    m_readAt = m_clock.now();
    m_firstRead = QtConcurrent::run(&m_reader, [this] { read(); });
}

FolderCloudAccount::~FolderCloudAccount()
{
    m_reader.waitForDone();
}

std::optional<QByteArray> FolderCloudAccount::ubiquityIdentityToken() const
{
    // Signed in or not is not known before the first read: no answer is given without it.
    m_firstRead.waitForFinished();
    QMutexLocker locker(&m_mutex);
    // A clock set back reads again too.
    if (!m_isReading && std::abs(m_clock.now().secondsSince(m_readAt)) >= rereadAfter) {
        m_isReading = true;
        m_readAt = m_clock.now();
        m_reader.start([this] { read(); });
    }
    return m_token;
}

void FolderCloudAccount::read() const
{
    // A FIFO or a device there must not hold the thread. A link, which anyone who syncs the folder can put there, is
    // no token: it would read a file of the user's from outside the folder.
    RegularFile file(m_folder + QStringLiteral("/identity"), RegularFile::Links::Refused);
    const QByteArray token = file.readPrefix(maxTokenSize).value_or(QByteArray()).trimmed();
    QMutexLocker locker(&m_mutex);
    m_token = token.isEmpty() ? std::nullopt : std::optional(token);
    m_isReading = false;
}

} // namespace platform
