#pragma once

#include "platform/cloud/DeviceFileEntries.h"
#include "platform/cloud/FolderThread.h"
#include "platform/cloud/FolderWatcher.h"
#include "platform/cloud/UbiquitousKeyValueStore.h"
#include "platform/files/FileIdentity.h"
#include "platform/files/WholeFileWriter.h"

#include <QFutureWatcher>
#include <QMutex>
#include <QPromise>
#include <QSet>
#include <QThreadPool>
#include <atomic>
#include <list>
#include <map>
#include <memory>
#include <string>

namespace platform {

class Clock;
class MemoryGate;
class RegularFile;

// The shared store as a folder that the user synchronises between machines. Each device writes only
// its own file, `<device>.json`, so that no file ever has two writers; a read takes per key the latest
// write over all device files, a tie going to the greater device name. A write is stamped later than
// every write of its key seen so far, so that a peer whose clock runs ahead cannot hide it, and before the other
// devices' files are first read, only later than our own, so that it hides no write it has not seen; a time
// more than a day ahead of this machine's clock counts as older than any other. Our own file, then the other
// devices' files, are read and decoded on the store's reader thread, the first time once the event loop runs; what
// the other devices' files changed is posted once they are read. Our file is written on the store's writer thread,
// each write with what the store holds when it is made, so that the caller never waits for the disk nor for a read
// of large files; a write made before our file is read waits for that read, so that it never replaces the file
// unread. The shared folder may stall for minutes (a network mount): our own values are also kept in a local copy
// outside it, written with every write of our file and read at the start on the writer thread, which never waits for
// the folder; our file's read, when it lands, is merged with it. A store that goes leaves a thread held in the
// folder behind.
class FolderKeyValueStore final : public UbiquitousKeyValueStore
{
    Q_OBJECT
public:
    // Peer files beyond this are not read, so that a stray file cannot exhaust memory; our own file is read
    // whatever its size, and a write past this is logged.
    static constexpr qint64 maximumPeerFileSize = 32 * 1024 * 1024;

    // $XDG_DATA_HOME/tolvar/cloud
    static QString standardFolder();
    // The user's store, under this machine's device name, which is kept outside the shared folder so
    // that it is never copied to another machine.
    static std::unique_ptr<FolderKeyValueStore> createStandard(const Clock& clock, QObject* parent = nullptr);
    // Letters, digits, '-' and '_': safe as a file name on every machine.
    static bool isValidDeviceName(const QString& name);

    // The store never creates `folder`: whether it exists decides the account (FolderCloudAccount). Without
    // `localCopy`, our own values are known only once our file is read.
    FolderKeyValueStore(const QString& folder, const QString& deviceName, const Clock& clock,
        const QString& localCopy = {}, QObject* parent = nullptr);
    // Gives up the reads under way and keeps every write of our own file made so far in the local copy; waits for the
    // shared folder no longer than a quit may take.
    ~FolderKeyValueStore() override;

    QString deviceName() const { return m_deviceName; }
    // What reading a device file takes is held in `memory` while it is read, beside the calendars' parses; set before
    // the first read, as the decoders are. Without one, a read takes what it needs.
    void setMemoryGate(std::shared_ptr<MemoryGate> memory) { m_memory = std::move(memory); }
    // What reading a device file of `size` bytes takes at its peak, its values decoded: bench_device_file_read fails
    // when a read takes more.
    static qint64 memoryToRead(qint64 size) { return 4 * size; }

    std::optional<QByteArray> data(const QString& key) const override;
    void setData(const QByteArray& data, const QString& key) override;
    void setDecodedData(const QByteArray& data, const QVariant& decoded, const QString& key) override;
    // Starts rereading the other devices' files that changed, and retries a failed write of our own; false while
    // our last write has not landed.
    bool synchronize() override;
    QCoro::Task<bool> synchronizeAndWait() override;
    bool flush() override;
    bool flushAtQuit() override;
    // Decodes what is held now on the caller's thread, and every later peer file on the reader thread.
    using UbiquitousKeyValueStore::setDecoder;
    void setDecoder(const QString& key, StoppableDecoder decoder) override;
    QVariant decodedData(const QString& key) const override;
    QVariantList everyDecodedData(const QString& key) const override;

    // Whether the other devices' files are being read, or not read yet; what the read changes is posted when
    // it ends.
    bool isReadingPeerFiles() const override { return m_isReading || !m_hasReadPeerFiles; }
    bool hasReadPeerFiles() const override { return m_hasReadPeerFiles; }
    bool hasReadOwnValues() const override { return m_hasOwnValues; }
    QCoro::Task<bool> waitForOwnValues() override;
    void readOwnValuesNow() override;

private:
    struct Entry
    {
        QByteArray value;
        double writtenAt = 0;
        QString device;
        // What the key's decoder made of the value, if the key has one.
        QVariant decoded;
        // One write; its decoded form follows from its value.
        bool operator==(const Entry& other) const
        {
            return value == other.value && writtenAt == other.writtenAt && device == other.device;
        }
    };
    using Entries = std::map<QString, Entry>;
    using Decoders = std::map<QString, StoppableDecoder>;
    struct PeerFile
    {
        // Which version of the file was read.
        FileIdentity stamp;
        Entries entries;
    };
    // What a worker found in one peer file; what it leaves absent stays as it was.
    struct PeerRead
    {
        std::optional<FileIdentity> stamp;
        std::optional<Entries> entries;
    };
    // A caller of synchronizeAndWait(), resumed once the read with this number is applied.
    struct Waiter
    {
        quint64 read = 0;
        QPromise<void> done;
    };
    // What the local copy's read tells our file's, which waits for it: the digest of its text when every value it
    // holds was taken, and when and by which device each value it kept was written (without the value).
    struct LocalCopyRead
    {
        QByteArray digest;
        Entries writes;
    };
    struct OwnRead
    {
        Entries entries;
        // Our file could be neither read nor moved aside: it is never written over.
        bool kept = false;
        // It holds the very bytes of the local copy, whose values are taken already: it was not parsed again.
        bool sameAsLocalCopy = false;
    };
    struct FolderRead
    {
        QStringList paths;
        std::map<QString, PeerRead> files; // by file name
        // A watch was put on a file, which may have changed since it was read.
        bool watchesAdded = false;
    };

    // Entries whose value does not decode are dropped, and named in the log with `path`.
    static std::optional<Entries> parseDeviceFile(
        QByteArray bytes, const QString& path, const Decoders& decoders,
        const std::function<bool()>& stopped = [] { return false; }, const WantedEntry& wanted = {});
    bool isTrusted(double writtenAt) const;
    bool supersedes(const Entry& candidate, const Entry& held) const;
    double stampFor(const QString& key) const;
    QString ownFileName() const { return m_deviceName + QStringLiteral(".json"); }
    // On the reader thread, once the local copy is read, its writes taken at `now`. A file that is not ours, or
    // damaged, is moved aside, unless the read was given up.
    static OwnRead readOwnFile(const QString& path, const Decoders& decoders, MemoryGate* memory,
        const std::atomic<bool>& stopping, QFuture<LocalCopyRead> localCopy, double now);
    // Our own values from `file`, ours or the local copy, read whatever they take and held at `memory` meanwhile;
    // none when they do not parse or the read was given up. `digest`, if given, is set to that of the text read.
    static std::optional<Entries> readOwnValues(RegularFile& file, const QString& path, const Decoders& decoders,
        MemoryGate* memory, const std::atomic<bool>& stopping, QByteArray* digest = nullptr,
        const WantedEntry& wanted = {});
    // On the writer thread; none when there is no local copy, or it is damaged. `told` is what our file's read is to
    // know of it.
    static std::optional<Entries> readLocalCopy(const QString& path, const QString& deviceName,
        const Decoders& decoders, MemoryGate* memory, const std::atomic<bool>& stopping, LocalCopyRead& told);
    void startOwnRead();
    // Takes what the read found, with the writes made meanwhile going after what it held.
    void finishOwnRead();
    void startLocalRead();
    void finishLocalRead();
    // Takes `read` as our own values: per key the later write, and a write made in this run after it.
    QStringList takeOwnValues(Entries read);
    void resumeOwnWaiters();
    // Decodes what `entries` hold under `key` with its decoder, dropping a value that does not decode.
    void decodeHeld(Entries& entries, const QString& key, const QString& path) const;
    // Hands what our file is to hold now to the writer thread, which writes only the newest it was handed: the local
    // copy, then, once our file is read and unless `toFolder` is false, our file.
    void writeOwnFile(bool toFolder = true);
    // On the writer thread.
    void writeHandedVersions();
    void writeVersion(const Entries& own, bool toFolder);
    const Entry* latest(const QString& key) const;
    Entries merged() const;
    // These two run on the reader thread: they read the files only when they are not the version `previous` holds,
    // and give up once `stopping` holds.
    static PeerRead readPeerFile(const QString& path, const FileIdentity* previous, const Decoders& decoders,
        MemoryGate* memory, const std::atomic<bool>& stopping);
    static FolderRead readFolder(const QString& folder, const QString& ownFileName,
        const std::map<QString, FileIdentity>& previous, const Decoders& decoders, MemoryGate* memory,
        FolderWatcher& watcher, const std::atomic<bool>& stopping);
    // Our file as the folder writer writes it.
    struct FolderFile
    {
        explicit FolderFile(const QString& path)
            : writer(path, QStringLiteral("the shared store's file"), WholeFileWriter::Links::Replaced)
        { }
        WholeFileWriter writer;
        // Whether the last write that ended landed.
        std::atomic<bool> saved = true;
    };
    // The keys whose value it changed.
    QStringList applyFolderRead(FolderRead read);
    // Retries a write of our own file that failed; true when none failed since the last that landed and the
    // folder is there.
    bool saveOwnFileIfUnsaved();
    std::map<QString, FileIdentity> peerStamps() const;
    void refresh();
    void finishReading();
    // Applies the finished read unless a decoder came during it, and resumes the callers that waited for it.
    QStringList takeReading();
    void resumeWaiters(quint64 finishedRead);
    void announce(const QStringList& changed);

    QString m_folder;
    QString m_deviceName;
    QString m_localCopy;
    const Clock& m_clock;
    Entries m_own;
    // Keys written in this run before our values were read.
    QSet<QString> m_writtenBeforeRead;
    std::map<QString, PeerFile> m_others; // by file name
    Decoders m_decoders;
    std::shared_ptr<MemoryGate> m_memory;
    // Held by a read left behind in the folder too.
    std::shared_ptr<FolderWatcher> m_watcher = std::make_shared<FolderWatcher>(m_folder);
    QFutureWatcher<OwnRead> m_ownReading;
    QFutureWatcher<std::optional<Entries>> m_localReading;
    // Given by the local copy's read to our file's, which waits for it.
    QFuture<LocalCopyRead> m_localCopyRead;
    bool m_localReadStarted = false;
    bool m_localReadTaken = false;
    bool m_ownReadStarted = false;
    bool m_hasReadOwnFile = false;
    // From the local copy or our file, whichever came first.
    bool m_hasOwnValues = false;
    // Keys whose decoder came while our file or the local copy was being read without it.
    QStringList m_decodeAfterOwnRead;
    // A write was made before our file was read, and waits for it.
    bool m_writeAfterOwnRead = false;
    // Callers of waitForOwnValues(), resumed once our file is read.
    std::list<QPromise<void>> m_ownWaiters;
    QFutureWatcher<FolderRead> m_reading;
    FolderThread m_reader;
    // Encodes, writes the local copy, and hands our file's text to the folder writer.
    QThreadPool m_writer;
    FolderThread m_folderWriter;
    std::shared_ptr<std::atomic<bool>> m_stopping = std::make_shared<std::atomic<bool>>(false);
    // Until its result is applied, which is after the worker is done.
    bool m_isReading = false;
    // Another change came during the read, which may have missed it.
    bool m_readAgain = false;
    // A decoder came during the read, which did not use it.
    bool m_readingStale = false;
    std::shared_ptr<FolderFile> m_ownFile = std::make_shared<FolderFile>(m_folder + u'/' + ownFileName());
    bool m_hasReadPeerFiles = false;
    quint64 m_readsStarted = 0;
    std::list<Waiter> m_waiters;
    // Our file could be neither read nor moved aside: it is never written over. Set once it is read, which writes of
    // the local copy made before do not wait for.
    std::atomic<bool> m_ownFileKept = false;
    // What our file is to hold, handed to the writer thread and not taken yet, and whether it goes to the folder.
    QMutex m_handedMutex;
    std::optional<Entries> m_handed;
    bool m_handedToFolder = false;
    // On the writer thread.
    std::optional<WholeFileWriter> m_localCopyWriter;
    bool m_ownFileTooLargeForPeers = false;
};

} // namespace platform
