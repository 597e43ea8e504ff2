#include "platform/cloud/FolderKeyValueStore.h"

#include "platform/files/RegularFile.h"
#include "platform/time/Clock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>
#include <cmath>
#include <nlohmann/json.hpp>

namespace platform {

namespace {

// A write time further ahead of our clock than this comes from a clock that is plainly wrong.
constexpr double maximumAhead = 24 * 60 * 60;
// How much later than the latest write seen a new write of the key is stamped.
constexpr double logicalTick = 0.001;

QString dataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/tolvar");
}

// A fresh machine gets a random name; a lost or damaged state file only means a new name, and the old
// name's file is then read like any other device's.
QString loadOrCreateDeviceName(const QString& stateFile)
{
    if (const std::optional<QByteArray> data = RegularFile(stateFile).readPrefix(256)) {
        const QString stored = QString::fromUtf8(*data).trimmed();
        if (FolderKeyValueStore::isValidDeviceName(stored))
            return stored;
    }
    const QString name = QString::number(QRandomGenerator::system()->generate64(), 16).rightJustified(16, u'0');
    QDir().mkpath(QFileInfo(stateFile).absolutePath());
    QSaveFile out(stateFile);
    if (!out.open(QIODevice::WriteOnly) || out.write(name.toUtf8() + '\n') < 0 || !out.commit())
        qWarning("Could not keep the device name in %s", qUtf8Printable(stateFile));
    return name;
}

} // namespace

QString FolderKeyValueStore::standardFolder()
{
    return dataFolder() + QStringLiteral("/cloud");
}

std::unique_ptr<FolderKeyValueStore> FolderKeyValueStore::createStandard(const Clock& clock, QObject* parent)
{
    const QString deviceName = loadOrCreateDeviceName(dataFolder() + QStringLiteral("/device-name"));
    return std::make_unique<FolderKeyValueStore>(standardFolder(), deviceName, clock, parent);
}

bool FolderKeyValueStore::isValidDeviceName(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_-]{1,64}$"));
    return pattern.match(name).hasMatch();
}

FolderKeyValueStore::FolderKeyValueStore(
    const QString& folder, const QString& deviceName, const Clock& clock, QObject* parent)
    : UbiquitousKeyValueStore(parent)
    , m_folder(folder)
    , m_deviceName(deviceName)
    , m_clock(clock)
{
    Q_ASSERT(isValidDeviceName(deviceName));
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &FolderKeyValueStore::refresh);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &FolderKeyValueStore::refresh);
    loadOwnFile();
    reloadOtherDevices();
}

std::optional<QByteArray> FolderKeyValueStore::data(const QString& key) const
{
    const Entries all = merged();
    const auto found = all.find(key);
    if (found == all.end())
        return std::nullopt;
    return found->second.value;
}

void FolderKeyValueStore::setData(const QByteArray& data, const QString& key)
{
    m_own.insert_or_assign(key, Entry { data, stampFor(key), m_deviceName });
    m_ownFileSaved = writeOwnFile();
}

double FolderKeyValueStore::stampFor(const QString& key) const
{
    double stamp = m_clock.now().secondsSinceReferenceDate();
    const auto consider = [&](const Entries& entries) {
        const auto found = entries.find(key);
        if (found != entries.end() && isTrusted(found->second.writtenAt))
            stamp = std::max(stamp, found->second.writtenAt + logicalTick);
    };
    consider(m_own);
    for (const auto& [name, file] : m_others)
        consider(file.entries);
    return stamp;
}

bool FolderKeyValueStore::synchronize()
{
    refresh();
    if (!m_ownFileSaved)
        m_ownFileSaved = writeOwnFile();
    return m_ownFileSaved && QFileInfo(m_folder).isDir();
}

std::optional<FolderKeyValueStore::Entries> FolderKeyValueStore::parseDeviceFile(const QByteArray& bytes)
{
    const auto json = nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
    if (!json.is_object())
        return std::nullopt;
    Entries entries;
    for (const auto& [key, entry] : json.items()) {
        // A damaged entry is dropped alone.
        if (!entry.is_object() || !entry.contains("value") || !entry["value"].is_string() || !entry.contains("time")
            || !entry["time"].is_number() || !entry.contains("device") || !entry["device"].is_string())
            continue;
        const double writtenAt = entry["time"].get<double>();
        const auto value = QByteArray::fromBase64Encoding(
            QByteArray::fromStdString(entry["value"].get<std::string>()), QByteArray::AbortOnBase64DecodingErrors);
        if (!value)
            continue;
        entries.insert_or_assign(QString::fromStdString(key),
            Entry { *value, writtenAt, QString::fromStdString(entry["device"].get<std::string>()) });
    }
    return entries;
}

bool FolderKeyValueStore::isTrusted(double writtenAt) const
{
    return std::isfinite(writtenAt) && writtenAt <= m_clock.now().secondsSinceReferenceDate() + maximumAhead;
}

bool FolderKeyValueStore::supersedes(const Entry& candidate, const Entry& held) const
{
    // Untrusted times rank below every trusted one, so that one wrong clock cannot win for ever.
    const bool candidateTrusted = isTrusted(candidate.writtenAt);
    if (candidateTrusted != isTrusted(held.writtenAt))
        return candidateTrusted;
    if (candidateTrusted && candidate.writtenAt != held.writtenAt)
        return candidate.writtenAt > held.writtenAt;
    return candidate.device > held.device;
}

void FolderKeyValueStore::loadOwnFile()
{
    const QString path = m_folder + u'/' + ownFileName();
    // Anything but a regular file there is not ours, and our next write replaces it.
    const std::optional<QByteArray> data = RegularFile::read(path, maximumPeerFileSize);
    if (!data)
        return;
    if (auto entries = parseDeviceFile(*data)) {
        m_own = std::move(*entries);
        return;
    }
    // Our next write would replace it: keep the damaged file where a person can still look at it.
    const QString aside
        = path + QStringLiteral(".broken-") + QString::number(QRandomGenerator::global()->generate(), 16);
    if (QFile::rename(path, aside))
        qWarning("The shared store's file %s was damaged; kept it as %s", qUtf8Printable(path), qUtf8Printable(aside));
    else
        qWarning("Could not move the damaged device file %s aside", qUtf8Printable(path));
}

bool FolderKeyValueStore::writeOwnFile() const
{
    nlohmann::json json = nlohmann::json::object();
    for (const auto& [key, entry] : m_own) {
        json[key.toStdString()] = {
            { "value", entry.value.toBase64().toStdString() },
            { "time", entry.writtenAt },
            { "device", entry.device.toStdString() },
        };
    }
    const std::string text = json.dump(1, '\t', false, nlohmann::json::error_handler_t::replace) + '\n';
    QSaveFile file(m_folder + u'/' + ownFileName());
    if (file.open(QIODevice::WriteOnly) && file.write(text.data(), qint64(text.size())) == qint64(text.size())
        && file.commit())
        return true;
    qWarning("Could not write the shared store's file %s: %s", qUtf8Printable(file.fileName()),
        qUtf8Printable(file.errorString()));
    return false;
}

FolderKeyValueStore::Entries FolderKeyValueStore::merged() const
{
    Entries result = m_own;
    for (const auto& [name, file] : m_others) {
        for (const auto& [key, entry] : file.entries) {
            const auto held = result.find(key);
            if (held == result.end())
                result.emplace(key, entry);
            else if (supersedes(entry, held->second))
                held->second = entry;
        }
    }
    return result;
}

FolderKeyValueStore::PeerFile FolderKeyValueStore::readPeerFile(const QString& path, PeerFile* previous)
{
    PeerFile result;
    RegularFile file(path);
    if (!file.isOpen())
        return previous ? std::move(*previous) : result;
    result.stamp = file.identity();
    if (previous && previous->stamp == result.stamp)
        return std::move(*previous);
    if (result.stamp.size > maximumPeerFileSize) {
        qWarning("Skipped the shared store's file %s: at %lld bytes it is too large to be a device's file",
            qUtf8Printable(path), static_cast<long long>(result.stamp.size));
        return result;
    }
    const std::optional<QByteArray> data = file.readAll(maximumPeerFileSize);
    if (auto entries = data ? parseDeviceFile(*data) : std::nullopt)
        result.entries = std::move(*entries);
    else if (previous)
        result.entries = std::move(previous->entries); // most likely caught mid-write; its next version is read again
    return result;
}

QStringList FolderKeyValueStore::reloadOtherDevices()
{
    const Entries before = merged();
    std::map<QString, PeerFile> others;
    QStringList paths;
    // Hidden files are the partial downloads of synchronisation tools; QSaveFile's own are not `*.json`.
    const QFileInfoList files = QDir(m_folder).entryInfoList({ QStringLiteral("*.json") }, QDir::Files);
    for (const QFileInfo& info : files) {
        if (info.fileName() == ownFileName())
            continue;
        paths.append(info.filePath());
        const auto previous = m_others.find(info.fileName());
        others.insert_or_assign(
            info.fileName(), readPeerFile(info.filePath(), previous == m_others.end() ? nullptr : &previous->second));
    }
    m_others = std::move(others);
    watch(paths);

    const Entries after = merged();
    QStringList changed;
    for (const auto& [key, entry] : after) {
        const auto old = before.find(key);
        if (old == before.end() || !(old->second == entry))
            changed.append(key);
    }
    for (const auto& [key, entry] : before) {
        if (!after.contains(key))
            changed.append(key);
    }
    return changed;
}

void FolderKeyValueStore::watch(const QStringList& otherFiles)
{
    // A watch follows the file it was put on, which an atomic replacement unlinks: watch the current ones.
    if (!m_watcher.files().isEmpty())
        m_watcher.removePaths(m_watcher.files());
    if (!otherFiles.isEmpty())
        m_watcher.addPaths(otherFiles);
    if (m_watcher.directories().isEmpty() && QFileInfo(m_folder).isDir())
        m_watcher.addPath(m_folder);
}

void FolderKeyValueStore::refresh()
{
    const QStringList changed = reloadOtherDevices();
    if (changed.isEmpty())
        return;
    // Posted, not emitted, so that a handler that synchronises is never reentered.
    QMetaObject::invokeMethod(
        this, [this, changed] { Q_EMIT externalChange(changed); }, Qt::QueuedConnection);
}

} // namespace platform
