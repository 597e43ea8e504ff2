#include "platform/cloud/FolderCloudAccount.h"

#include "platform/cloud/FolderKeyValueStore.h"
#include "platform/files/RegularFile.h"
#include "platform/files/WholeFileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

namespace platform {

namespace {

constexpr qint64 maxTokenSize = 4096;

QByteArray freshToken()
{
    QByteArray bytes(32, Qt::Uninitialized);
    for (char& byte : bytes)
        byte = char(QRandomGenerator::system()->bounded(256));
    return bytes.toHex();
}

} // namespace

std::unique_ptr<FolderCloudAccount> FolderCloudAccount::createStandard()
{
    const QString folder = FolderKeyValueStore::standardFolder();
    createFolderIfMissing(folder);
    return std::make_unique<FolderCloudAccount>(folder);
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

FolderCloudAccount::FolderCloudAccount(const QString& folder)
    : m_folder(folder)
{ }

std::optional<QByteArray> FolderCloudAccount::ubiquityIdentityToken() const
{
    // Asked on the main thread: a FIFO or a device there must not hold it. A link, which anyone who syncs the
    // folder can put there, is no token: it would read a file of the user's from outside the folder.
    RegularFile file(m_folder + QStringLiteral("/identity"), RegularFile::Links::Refused);
    const QByteArray token = file.readPrefix(maxTokenSize).value_or(QByteArray()).trimmed();
    if (token.isEmpty())
        return std::nullopt;
    return token;
}

} // namespace platform
