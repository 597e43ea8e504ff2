#include "platform/cloud/FolderKeyValueStore.h"

#include "platform/BackgroundRelease.h"
#include "platform/ThreadHandOver.h"
#include "platform/cloud/DeviceFileEntries.h"
#include "platform/files/MemoryGate.h"
#include "platform/files/RegularFile.h"
#include "platform/files/WholeFileWriter.h"
#include "platform/time/Clock.h"

#include <QCoro/QCoroFuture>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QPointer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <QtConcurrent/QtConcurrentRun>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <utility>
#include <vector>

namespace platform {

namespace {

// A write time further ahead of our clock than this comes from a clock that is plainly wrong.
constexpr double maximumAhead = 24 * 60 * 60;
// How much later than the latest write seen a new write of the key is stamped.
constexpr double logicalTick = 0.001;
// How long a quit waits for a write of our file: a folder that does not answer by then is written at the next start.
constexpr int quitWaitForFolderMs = 300;
// Our file caught while another process writes it (a synchronisation tool's download, a restore) fails to parse until
// it is whole: it is read again once it has been still this long, a bounded number of times.
constexpr int stillForMs = 2000;
constexpr int readsOfAChangingFile = 40;

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
    if (const std::optional<QString> error = WholeFileWriter::writeFile(stateFile, name.toUtf8() + '\n'))
        qWarning("Could not keep the device name in %s: %s", qUtf8Printable(stateFile), qUtf8Printable(*error));
    return name;
}

// Appends the base64 of `value` a piece at a time, so that no second copy of it is made: pieces of whole groups of
// three bytes encode as the whole does.
void appendBase64(QByteArray& text, const QByteArray& value)
{
    constexpr qsizetype piece = 3 * 64 * 1024;
    for (qsizetype at = 0; at < value.size(); at += piece)
        text += QByteArray::fromRawData(value.constData() + at, std::min(piece, value.size() - at)).toBase64();
}

} // namespace

QString FolderKeyValueStore::standardFolder()
{
    return dataFolder() + QStringLiteral("/cloud");
}

std::unique_ptr<FolderKeyValueStore> FolderKeyValueStore::createStandard(const Clock& clock, QObject* parent)
{
    const QString deviceName = loadOrCreateDeviceName(dataFolder() + QStringLiteral("/device-name"));
    return std::make_unique<FolderKeyValueStore>(
        standardFolder(), deviceName, clock, dataFolder() + QStringLiteral("/own-values.json"), parent);
}

bool FolderKeyValueStore::isValidDeviceName(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_-]{1,64}$"));
    return pattern.match(name).hasMatch();
}

FolderKeyValueStore::FolderKeyValueStore(
    const QString& folder, const QString& deviceName, const Clock& clock, const QString& localCopy, QObject* parent)
    : UbiquitousKeyValueStore(parent)
    , m_folder(folder)
    , m_deviceName(deviceName)
    , m_localCopy(localCopy)
    , m_clock(clock)
{
    Q_ASSERT(isValidDeviceName(deviceName));
    // One thread each, so that reads come one after another, writes keep their order, and neither waits behind
    // another store's work.
    m_writer.setMaxThreadCount(1);
    connect(m_watcher.get(), &FolderWatcher::changed, this, &FolderKeyValueStore::refresh);
    connect(&m_ownReading, &QFutureWatcherBase::finished, this, &FolderKeyValueStore::finishOwnRead);
    connect(&m_localReading, &QFutureWatcherBase::finished, this, &FolderKeyValueStore::finishLocalRead);
    connect(&m_reading, &QFutureWatcherBase::finished, this, &FolderKeyValueStore::finishReading);
    if (!m_localCopy.isEmpty())
        m_localCopyWriter.emplace(m_localCopy, QStringLiteral("the local copy of the shared store's file"));
    // Queued, so that the first read already has the decoders its owner gives the store right after making it.
    QMetaObject::invokeMethod(
        this,
        [this] {
            startLocalRead();
            if (m_readsStarted == 0)
                refresh();
        },
        Qt::QueuedConnection);
}

FolderKeyValueStore::~FolderKeyValueStore()
{
    // A write made before our values were read is kept too: that read is not given up. Our writes were made with what
    // the store held then; what the other devices' files hold is read again at the next start.
    if (m_writeAfterOwnRead && !m_hasOwnValues)
        readOwnValuesNow();
    *m_stopping = true;
    if (m_memory)
        m_memory->interrupt();
    // Not once taken: its result is gone with it.
    if (m_localReadStarted && !m_localReadTaken)
        m_localReading.waitForFinished();
    // Reads in the folder are not waited for: one may be held there for minutes. What they hold is their own.
    flushAtQuit();
    // The other machines' files, held and just read, may be tens of megabytes decoded: freed off the main thread,
    // so that a quit does not wait for them.
    QFuture<FolderRead> read = m_reading.future();
    m_reading.setFuture(QFuture<FolderRead>());
    releaseInBackground(std::move(m_others), std::move(read));
}

const FolderKeyValueStore::Entry* FolderKeyValueStore::latest(const QString& key) const
{
    const Entry* held = nullptr;
    const auto consider = [&](const Entries& entries) {
        const auto found = entries.find(key);
        if (found != entries.end() && (!held || supersedes(found->second, *held)))
            held = &found->second;
    };
    consider(m_own);
    for (const auto& [name, file] : m_others)
        consider(file.entries);
    return held;
}

std::optional<QByteArray> FolderKeyValueStore::data(const QString& key) const
{
    if (const Entry* entry = latest(key))
        return entry->value;
    return std::nullopt;
}

QVariant FolderKeyValueStore::decodedData(const QString& key) const
{
    const Entry* entry = latest(key);
    return entry ? entry->decoded : QVariant();
}

QVariantList FolderKeyValueStore::everyDecodedData(const QString& key) const
{
    QVariantList decoded;
    const auto add = [&](const Entries& entries) {
        const auto found = entries.find(key);
        if (found != entries.end() && found->second.decoded.isValid())
            decoded.append(found->second.decoded);
    };
    add(m_own);
    for (const auto& [name, file] : m_others)
        add(file.entries);
    return decoded;
}

void FolderKeyValueStore::setData(const QByteArray& data, const QString& key)
{
    const auto decoder = m_decoders.find(key);
    setDecodedData(data, decoder == m_decoders.end() ? QVariant() : decoder->second(data, [] { return false; }), key);
}

void FolderKeyValueStore::setDecodedData(const QByteArray& data, const QVariant& decoded, const QString& key)
{
    m_own.insert_or_assign(key, Entry { data, stampFor(key), m_deviceName, decoded });
    if (!m_hasOwnValues)
        m_writtenBeforeRead.insert(key);
    // Kept in the local copy at once; our file waits for its read, so that it never replaces it unread.
    if (m_hasOwnValues)
        writeOwnFile();
    if (!m_hasReadOwnFile)
        m_writeAfterOwnRead = true;
}

double FolderKeyValueStore::stampFor(const QString& key) const
{
    // Our clock's time could supersede another device's write that is not read yet, which ours then lacks: until
    // their files are read, a write follows only our own last write of the key and yields to any other. A write
    // made once they are read merges both (CloudSyncService).
    if (!m_hasReadPeerFiles) {
        const auto own = m_own.find(key);
        return own != m_own.end() && isTrusted(own->second.writtenAt) ? own->second.writtenAt + logicalTick : 0;
    }
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
    return saveOwnFileIfUnsaved();
}

QCoro::Task<bool> FolderKeyValueStore::waitForOwnValues()
{
    if (m_hasOwnValues)
        co_return true;
    QPromise<void>& waiter = m_ownWaiters.emplace_back();
    waiter.start();
    const QFuture<void> read = waiter.future();
    const QPointer<FolderKeyValueStore> self(this);
    // Ends, cancelled, with the store too.
    co_await read;
    co_return !self.isNull();
}

void FolderKeyValueStore::readOwnValuesNow()
{
    if (m_hasOwnValues)
        return;
    startLocalRead();
    if (m_localReadStarted && !m_localReadTaken) {
        m_localReading.waitForFinished();
        finishLocalRead();
    }
    if (m_hasOwnValues)
        return;
    startOwnRead();
    m_ownReading.waitForFinished();
    finishOwnRead();
}

QCoro::Task<bool> FolderKeyValueStore::synchronizeAndWait()
{
    const bool synchronized = synchronize();
    // A read under way may have listed the folder before the call: then only the one after it will do.
    Waiter& waiter = m_waiters.emplace_back();
    waiter.read = m_readAgain ? m_readsStarted + 1 : m_readsStarted;
    waiter.done.start();
    const QFuture<void> read = waiter.done.future();
    const QPointer<FolderKeyValueStore> self(this);
    // Ends, cancelled, with the store too.
    co_await read;
    co_return !self.isNull() && synchronized;
}

void FolderKeyValueStore::setDecoder(const QString& key, StoppableDecoder decoder)
{
    m_decoders.insert_or_assign(key, std::move(decoder));
    decodeHeld(m_own, key, m_folder + u'/' + ownFileName());
    for (auto& [name, file] : m_others)
        decodeHeld(file.entries, key, m_folder + u'/' + name);
    if ((m_ownReadStarted && !m_hasReadOwnFile) || (m_localReadStarted && !m_localReadTaken))
        m_decodeAfterOwnRead.append(key);
    m_readingStale = m_isReading;
}

void FolderKeyValueStore::decodeHeld(Entries& entries, const QString& key, const QString& path) const
{
    const auto found = entries.find(key);
    if (found == entries.end())
        return;
    found->second.decoded = m_decoders.at(key)(found->second.value, [] { return false; });
    if (found->second.decoded.isValid())
        return;
    qWarning("Skipped the entry %s of the shared store's file %s: its value is malformed", qUtf8Printable(key),
        qUtf8Printable(path));
    entries.erase(found);
}

std::optional<FolderKeyValueStore::Entries> FolderKeyValueStore::parseDeviceFile(QByteArray bytes, const QString& path,
    const Decoders& decoders, const std::function<bool()>& stopped, const WantedEntry& wanted)
{
    std::optional<std::map<QString, std::optional<DeviceFileEntry>>> found
        = deviceFileEntries(std::move(bytes), stopped, wanted);
    if (!found)
        return std::nullopt;
    Entries entries;
    QStringList skipped;
    for (auto& [name, entry] : *found) {
        if (stopped())
            return std::nullopt;
        // A damaged entry is dropped alone.
        if (!entry || !entry->value || !entry->time || !entry->device) {
            skipped.append(name);
            continue;
        }
        const auto decoder = decoders.find(name);
        const QVariant decoded = decoder != decoders.end() ? decoder->second(*entry->value, stopped) : QVariant();
        if (decoder != decoders.end() && !decoded.isValid()) {
            skipped.append(name);
            continue;
        }
        entries.emplace(name, Entry { std::move(*entry->value), *entry->time, *entry->device, decoded });
    }
    if (!skipped.isEmpty()) {
        qWarning("Skipped %lld malformed entries of the shared store's file %s, the first %s",
            static_cast<long long>(skipped.size()), qUtf8Printable(path), qUtf8Printable(skipped.first()));
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

void FolderKeyValueStore::startOwnRead()
{
    if (m_ownReadStarted)
        return;
    m_ownReadStarted = true;
    // Its digest tells whether our file holds anything else.
    startLocalRead();
    // Not a QPromise: one that goes after its result was taken would cancel the future that handed it over.
    QFutureInterface<OwnRead> read;
    read.reportStarted();
    m_ownReading.setFuture(read.future());
    m_reader.start(
        [read, path = m_folder + u'/' + ownFileName(), decoders = m_decoders, memory = m_memory, stopping = m_stopping,
            localCopy = m_localCopyRead, now = m_clock.now().secondsSinceReferenceDate()]() mutable {
            read.reportAndMoveResult(readOwnFile(path, decoders, memory.get(), *stopping, localCopy, now));
            read.reportFinished();
        });
}

void FolderKeyValueStore::finishOwnRead()
{
    // Taken at once by a caller that could not wait for the loop, or given up by a quit.
    if (m_hasReadOwnFile || *m_stopping)
        return;
    // Taken first: what our file holds is merged with it.
    if (m_localReadStarted && !m_localReadTaken) {
        m_localReading.waitForFinished();
        finishLocalRead();
    }
    OwnRead read = m_ownReading.future().takeResult();
    m_hasReadOwnFile = true;
    m_ownFileKept = read.kept;
    if (read.sameAsLocalCopy) {
        // What it holds is taken already: it lacks only what was written since.
        m_decodeAfterOwnRead.clear();
        if (std::exchange(m_writeAfterOwnRead, false))
            writeOwnFile();
        resumeOwnWaiters();
        return;
    }
    const QString path = m_folder + u'/' + ownFileName();
    for (const QString& key : std::exchange(m_decodeAfterOwnRead, {}))
        decodeHeld(read.entries, key, path);
    const Entries inFile = read.entries;
    const QStringList changed = takeOwnValues(std::move(read.entries));
    // Whatever our file lacks (the writes of a run whose folder stalled) goes there now.
    const bool behind = !(m_own == inFile);
    if (std::exchange(m_writeAfterOwnRead, false) || behind || !m_localCopy.isEmpty())
        writeOwnFile(behind);
    resumeOwnWaiters();
    announce(changed);
}

void FolderKeyValueStore::startLocalRead()
{
    if (m_localReadStarted || m_localCopy.isEmpty())
        return;
    m_localReadStarted = true;
    // Not finished, but cancelled, when the read never runs.
    const auto told = std::make_shared<QPromise<LocalCopyRead>>();
    told->start();
    m_localCopyRead = told->future();
    m_localReading.setFuture(QtConcurrent::run(&m_writer,
        handedOver([path = m_localCopy, device = m_deviceName, decoders = m_decoders, memory = m_memory,
                       stopping = m_stopping, told] {
            LocalCopyRead read;
            std::optional<Entries> entries = readLocalCopy(path, device, decoders, memory.get(), *stopping, read);
            told->addResult(std::move(read));
            told->finish();
            return entries;
        })));
}

void FolderKeyValueStore::finishLocalRead()
{
    // Taken at once by a caller that could not wait for the loop.
    if (!m_localReadStarted || m_localReadTaken || *m_stopping)
        return;
    m_localReadTaken = true;
    std::optional<Entries> read = m_localReading.future().takeResult();
    // No local copy yet: our values are known once our file is read.
    if (!read)
        return;
    for (const QString& key : m_decodeAfterOwnRead)
        decodeHeld(*read, key, m_localCopy);
    takeOwnValues(std::move(*read));
    if (m_writeAfterOwnRead)
        writeOwnFile();
    resumeOwnWaiters();
}

QStringList FolderKeyValueStore::takeOwnValues(Entries read)
{
    QStringList changed;
    for (auto& [key, entry] : m_own) {
        const auto held = read.find(key);
        // Written before our values were read, it goes after what they held, as it would have had they been read
        // first.
        if (m_writtenBeforeRead.contains(key)) {
            if (held != read.end() && isTrusted(held->second.writtenAt))
                entry.writtenAt = std::max(entry.writtenAt, held->second.writtenAt + logicalTick);
        } else if (held != read.end() && supersedes(held->second, entry)) {
            changed.append(key);
            continue;
        }
        read.insert_or_assign(key, std::move(entry));
    }
    if (m_hasOwnValues) {
        for (const auto& [key, entry] : read) {
            if (!m_own.contains(key))
                changed.append(key);
        }
    }
    m_own = std::move(read);
    m_hasOwnValues = true;
    m_writtenBeforeRead.clear();
    return changed;
}

void FolderKeyValueStore::resumeOwnWaiters()
{
    for (QPromise<void>& waiter : m_ownWaiters)
        waiter.finish();
    m_ownWaiters.clear();
}

std::optional<FolderKeyValueStore::Entries> FolderKeyValueStore::readOwnValues(RegularFile& file, const QString& path,
    const Decoders& decoders, MemoryGate* memory, const std::atomic<bool>& stopping, QByteArray* digest,
    const WantedEntry& wanted)
{
    const qint64 cost = memoryToRead(file.identity().size);
    if (memory && memory->reserveEvenAlone(cost, &stopping) == MemoryGate::Answer::abandoned)
        return std::nullopt;
    std::optional<QByteArray> data = file.readPrefix(std::numeric_limits<qint64>::max());
    if (data && digest)
        *digest = QCryptographicHash::hash(*data, QCryptographicHash::Sha256);
    const auto stopped = [&stopping] { return stopping.load(std::memory_order_relaxed); };
    std::optional<Entries> entries
        = data ? parseDeviceFile(std::move(*data), path, decoders, stopped, wanted) : std::nullopt;
    if (memory)
        memory->release(cost);
    return entries;
}

std::optional<FolderKeyValueStore::Entries> FolderKeyValueStore::readLocalCopy(const QString& path,
    const QString& deviceName, const Decoders& decoders, MemoryGate* memory, const std::atomic<bool>& stopping,
    LocalCopyRead& told)
{
    RegularFile file(path);
    if (!file.isOpen())
        return std::nullopt;
    QByteArray read;
    std::optional<Entries> entries = readOwnValues(file, path, decoders, memory, stopping, &read);
    if (stopping.load(std::memory_order_relaxed))
        return std::nullopt;
    if (!entries) {
        qWarning("The local copy %s of the shared store's file is damaged; our values are read from the shared folder",
            qUtf8Printable(path));
        return std::nullopt;
    }
    // Left by this machine under another device name, whose file is now read like any other device's.
    if (std::erase_if(*entries, [&deviceName](const auto& entry) { return entry.second.device != deviceName; }) == 0)
        told.digest = read;
    for (const auto& [key, entry] : *entries)
        told.writes.emplace(key, Entry { {}, entry.writtenAt, entry.device, {} });
    return entries;
}

FolderKeyValueStore::OwnRead FolderKeyValueStore::readOwnFile(const QString& path, const Decoders& decoders,
    MemoryGate* memory, const std::atomic<bool>& stopping, QFuture<LocalCopyRead> localCopy, double now)
{
    const auto stopped = [&stopping] { return stopping.load(std::memory_order_relaxed); };
    // The writer writes the same text to both: then ours needs no second parse, which would hold a second copy of
    // every record. The local copy's read never waits for the folder, and this waits for it holding nothing.
    localCopy.waitForFinished();
    const LocalCopyRead copied = localCopy.resultCount() > 0 ? localCopy.result() : LocalCopyRead();
    if (stopped())
        return {};
    // Nor is a value decoded that the local copy's write of its key supersedes (the writes of a run whose folder
    // stalled), as it would once taken: both made by `now`, so trusted for good, and the local copy's the later.
    const WantedEntry wanted = [&copied, now](const QString& name, double time, const QString& device) {
        const auto held = copied.writes.find(name);
        if (held == copied.writes.end() || !(time <= now && held->second.writtenAt <= now))
            return true;
        return time > held->second.writtenAt || (time == held->second.writtenAt && device > held->second.device);
    };
    // Anyone who syncs the folder can put a link here, to any file of the user's: it is neither read nor written
    // through, but set aside as a damaged file is, where a person can see where it pointed.
    const QFileInfo info(path);
    for (int read = 1;; ++read) {
        RegularFile file(path, RegularFile::Links::Refused);
        // Anything else but a regular file or a folder there is not ours, and our next write replaces it; a folder
        // would make every write fail.
        if (!file.isOpen() && !info.isSymLink() && !info.isFile() && !info.isDir())
            return {};
        if (!copied.digest.isEmpty() && file.digest() == copied.digest)
            return { {}, false, true };
        // Ours is read at whatever size we wrote it, alone if it must: only peers are held to the limit. What it
        // holds is needed, for the answers given here before.
        if (std::optional<Entries> entries = readOwnValues(file, path, decoders, memory, stopping, nullptr, wanted))
            return { std::move(*entries) };
        // A read given up is no damage: the store is going, and writes nothing over the file.
        if (stopped())
            return {};
        if (!file.isOpen())
            break;
        // Another process may be writing it: only a file that fails while still is damaged.
        const QDeadlineTimer still(stillForMs);
        while (!still.hasExpired() && !stopped())
            QThread::msleep(10);
        if (stopped())
            return {};
        if (FileIdentity::ofPath(path) == file.identity())
            break;
        if (read == readsOfAChangingFile) {
            qWarning("The shared store's file %s keeps changing and does not parse; not writing over it",
                qUtf8Printable(path));
            return { {}, true };
        }
    }
    // Our next write would replace what we could not read: keep it where a person can still look at it.
    const QString aside
        = path + QStringLiteral(".broken-") + QString::number(QRandomGenerator::global()->generate(), 16);
    // Read before the link is moved: it is looked up at its path.
    const QString target = info.symLinkTarget();
    // QFile::rename() would find no file at a link that points nowhere.
    if (QDir().rename(path, aside)) {
        if (info.isSymLink()) {
            qWarning("The shared store's file %s was a link to %s, which is left untouched; moved the link to %s",
                qUtf8Printable(path), qUtf8Printable(target), qUtf8Printable(aside));
        } else {
            qWarning("The shared store's file %s was damaged or unreadable; kept it as %s", qUtf8Printable(path),
                qUtf8Printable(aside));
        }
        return {};
    }
    qWarning("Could not move the unread device file %s aside; not writing over it", qUtf8Printable(path));
    return { {}, true };
}

void FolderKeyValueStore::writeOwnFile(bool toFolder)
{
    QMutexLocker locker(&m_handedMutex);
    const bool writerIdle = !m_handed;
    m_handed = m_own;
    m_handedToFolder = m_handedToFolder || (toFolder && m_hasReadOwnFile);
    locker.unlock();
    if (writerIdle)
        m_writer.start([this] { writeHandedVersions(); });
}

void FolderKeyValueStore::writeHandedVersions()
{
    for (;;) {
        QMutexLocker locker(&m_handedMutex);
        if (!m_handed)
            return;
        const Entries own = *std::exchange(m_handed, std::nullopt);
        const bool toFolder = std::exchange(m_handedToFolder, false);
        locker.unlock();
        writeVersion(own, toFolder);
    }
}

bool FolderKeyValueStore::flush()
{
    if (m_writeAfterOwnRead && !m_hasOwnValues)
        readOwnValuesNow();
    m_writer.waitForDone();
    m_folderWriter.waitForDone();
    return m_ownFile->saved;
}

bool FolderKeyValueStore::flushAtQuit()
{
    if (m_writeAfterOwnRead && !m_hasOwnValues)
        readOwnValuesNow();
    m_writer.waitForDone();
    // Without a local copy, our file is all that lasts.
    if (m_localCopy.isEmpty())
        return flush();
    return m_folderWriter.waitForDone(QDeadlineTimer(quitWaitForFolderMs)) && m_ownFile->saved;
}

void FolderKeyValueStore::writeVersion(const Entries& own, bool toFolder)
{
    if (m_ownFileKept && !m_localCopyWriter)
        return;
    // Each entry laid out as a dump of the whole file would lay it out, but its value's base64 is written straight into
    // the one text of the file: a value is tens of megabytes for the meeting records, and each copy of it a peak.
    std::vector<std::pair<std::string, const QByteArray*>> framed;
    qsizetype size = 3;
    for (const auto& [key, entry] : own) {
        nlohmann::json json = nlohmann::json::object();
        json[key.toStdString()]
            = { { "value", "" }, { "time", entry.writtenAt }, { "device", entry.device.toStdString() } };
        // The entry as it stands inside the file's object: without that one-entry object's braces.
        std::string frame = json.dump(1, '\t', false, nlohmann::json::error_handler_t::replace);
        frame = frame.substr(1, frame.size() - 3);
        size += qsizetype(frame.size()) + 1 + (entry.value.size() + 2) / 3 * 4;
        framed.emplace_back(std::move(frame), &entry.value);
    }
    QByteArray text;
    text.reserve(size);
    text += '{';
    for (const auto& [frame, value] : framed) {
        if (text.size() > 1)
            text += ',';
        // The value comes last in the entry, and its empty string is the frame's last.
        const size_t at = frame.rfind("\"\"") + 1;
        text.append(frame.data(), qsizetype(at));
        appendBase64(text, *value);
        text.append(frame.data() + at, qsizetype(frame.size() - at));
    }
    text += own.empty() ? "}\n" : "\n}\n";
    const bool tooLargeForPeers = text.size() > maximumPeerFileSize;
    if (tooLargeForPeers && !m_ownFileTooLargeForPeers) {
        qWarning("The shared store's file %s has grown to %lld bytes: other devices read no file over %lld bytes, "
                 "so they skip it",
            qUtf8Printable(m_folder + u'/' + ownFileName()), static_cast<long long>(text.size()),
            static_cast<long long>(maximumPeerFileSize));
    }
    m_ownFileTooLargeForPeers = tooLargeForPeers;
    const auto shared = std::make_shared<const QByteArray>(std::move(text));
    if (m_localCopyWriter)
        m_localCopyWriter->write(*shared);
    if (!toFolder)
        return;
    if (m_ownFileKept) {
        m_ownFile->saved = false;
        return;
    }
    // The folder may hold the write for minutes: a later version waits behind it, and a quit does not.
    m_folderWriter.start([file = m_ownFile, shared] { file->saved = file->writer.write(*shared); });
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

FolderKeyValueStore::PeerRead FolderKeyValueStore::readPeerFile(const QString& path, const FileIdentity* previous,
    const Decoders& decoders, MemoryGate* memory, const std::atomic<bool>& stopping)
{
    RegularFile file(path, RegularFile::Links::Refused);
    if (!file.isOpen())
        return {};
    const FileIdentity stamp = file.identity();
    if (previous && *previous == stamp)
        return {};
    if (stamp.size > maximumPeerFileSize) {
        qWarning("Skipped the shared store's file %s: at %lld bytes it is too large to be a device's file",
            qUtf8Printable(path), static_cast<long long>(stamp.size));
        return { stamp, Entries() };
    }
    // What it held before stays until it can be read, at the next read once memory frees.
    const qint64 cost = memoryToRead(stamp.size);
    const MemoryGate::Answer answer = memory ? memory->reserve(cost, &stopping) : MemoryGate::Answer::reserved;
    if (answer == MemoryGate::Answer::tooLarge) {
        qWarning("Skipped the shared store's file %s for now: reading it takes %lld bytes, more than the memory left",
            qUtf8Printable(path), static_cast<long long>(cost));
    }
    if (answer != MemoryGate::Answer::reserved)
        return {};
    std::optional<QByteArray> data = file.readAll(maximumPeerFileSize);
    const auto stopped = [&stopping] { return stopping.load(std::memory_order_relaxed); };
    std::optional<Entries> entries
        = data && !stopped() ? parseDeviceFile(std::move(*data), path, decoders, stopped) : std::nullopt;
    if (memory)
        memory->release(cost);
    if (stopped())
        return {};
    // Most likely caught mid-write: what it held before stays until its next version is read.
    if (!entries)
        qWarning("Skipped the shared store's file %s: it holds no device's entries", qUtf8Printable(path));
    return { stamp, std::move(entries) };
}

FolderKeyValueStore::FolderRead FolderKeyValueStore::readFolder(const QString& folder, const QString& ownFileName,
    const std::map<QString, FileIdentity>& previous, const Decoders& decoders, MemoryGate* memory,
    FolderWatcher& watcher, const std::atomic<bool>& stopping)
{
    FolderRead read;
    QStringList replaced;
    // Hidden files are the partial downloads of synchronisation tools; QSaveFile's own are not `*.json`.
    const QFileInfoList files = QDir(folder).entryInfoList({ QStringLiteral("*.json") }, QDir::Files);
    for (const QFileInfo& info : files) {
        if (info.fileName() == ownFileName)
            continue;
        read.paths.append(info.filePath());
        const auto stamp = previous.find(info.fileName());
        const PeerRead& found
            = read.files
                  .emplace(info.fileName(),
                      readPeerFile(info.filePath(), stamp == previous.end() ? nullptr : &stamp->second, decoders,
                          memory, stopping))
                  .first->second;
        if (found.stamp && (stamp == previous.end() || found.stamp->inode != stamp->second.inode))
            replaced.append(info.filePath());
        if (stopping)
            return read;
    }
    read.watchesAdded = watcher.watch(read.paths, replaced, stopping);
    return read;
}

QStringList FolderKeyValueStore::applyFolderRead(FolderRead read)
{
    const Entries before = merged();
    std::map<QString, PeerFile> others;
    for (auto& [name, found] : read.files) {
        const auto previous = m_others.find(name);
        PeerFile file = previous == m_others.end() ? PeerFile() : std::move(previous->second);
        if (found.stamp)
            file.stamp = *found.stamp;
        if (found.entries)
            file.entries = std::move(*found.entries);
        others.emplace(name, std::move(file));
    }
    m_others = std::move(others);
    // A file watched only now may have changed since it was read.
    if (read.watchesAdded)
        m_readAgain = true;

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

std::map<QString, FileIdentity> FolderKeyValueStore::peerStamps() const
{
    std::map<QString, FileIdentity> stamps;
    for (const auto& [name, file] : m_others)
        stamps.emplace(name, file.stamp);
    return stamps;
}

void FolderKeyValueStore::refresh()
{
    // Ours first, and on the same thread: what the other devices' files change is taken after what ours holds.
    startOwnRead();
    if (m_isReading) {
        m_readAgain = true;
        return;
    }
    m_isReading = true;
    m_readAgain = false;
    ++m_readsStarted;
    QFutureInterface<FolderRead> read;
    read.reportStarted();
    m_reading.setFuture(read.future());
    m_reader.start([read, folder = m_folder, own = ownFileName(), previous = peerStamps(), decoders = m_decoders,
                       memory = m_memory, watcher = m_watcher, stopping = m_stopping]() mutable {
        read.reportAndMoveResult(readFolder(folder, own, previous, decoders, memory.get(), *watcher, *stopping));
        read.reportFinished();
    });
}

void FolderKeyValueStore::finishReading()
{
    const bool stale = m_readingStale;
    const QStringList changed = takeReading();
    if (stale || m_readAgain)
        refresh();
    announce(changed);
    // Posted after the changes, so that its handlers see them too.
    if (!stale)
        QMetaObject::invokeMethod(
            this, [this] { Q_EMIT peerFilesRead(); }, Qt::QueuedConnection);
}

QStringList FolderKeyValueStore::takeReading()
{
    m_isReading = false;
    const bool stale = std::exchange(m_readingStale, false);
    FolderRead read = m_reading.future().takeResult();
    // Read without a decoder given since: what it found is read again with it.
    if (stale)
        return {};
    const QStringList changed = applyFolderRead(std::move(read));
    m_hasReadPeerFiles = true;
    resumeWaiters(m_readsStarted);
    return changed;
}

void FolderKeyValueStore::resumeWaiters(quint64 finishedRead)
{
    m_waiters.remove_if([finishedRead](Waiter& waiter) {
        if (waiter.read > finishedRead)
            return false;
        waiter.done.finish();
        return true;
    });
}

void FolderKeyValueStore::announce(const QStringList& changed)
{
    if (changed.isEmpty())
        return;
    // Posted, not emitted, so that a handler that synchronises is never reentered.
    QMetaObject::invokeMethod(
        this, [this, changed] { Q_EMIT externalChange(changed); }, Qt::QueuedConnection);
}

bool FolderKeyValueStore::saveOwnFileIfUnsaved()
{
    // Whether our last write landed: the folder itself is not looked at on the caller's thread, which may be the
    // main one, and a folder on a slow mount would hold it.
    if (m_ownFile->saved)
        return true;
    // Told once the retry lands.
    writeOwnFile();
    return false;
}

} // namespace platform
