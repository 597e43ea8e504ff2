#pragma once

#include "platform/cloud/UbiquitousKeyValueStore.h"
#include "platform/files/FileIdentity.h"

#include <QFileSystemWatcher>
#include <map>
#include <memory>

namespace platform {

class Clock;

// The shared store as a folder that the user synchronises between machines. Each device writes only
// its own file, `<device>.json`, so that no file ever has two writers; a read takes per key the latest
// write over all device files, a tie going to the greater device name. A write is stamped later than
// every write of its key seen so far, so that a peer whose clock runs ahead cannot hide it; a time
// more than a day ahead of this machine's clock counts as older than any other.
class FolderKeyValueStore final : public UbiquitousKeyValueStore
{
    Q_OBJECT
public:
    // Peer files beyond this are not read: no device's three arrays come near it.
    static constexpr qint64 maximumPeerFileSize = 32 * 1024 * 1024;

    // $XDG_DATA_HOME/tolvar/cloud
    static QString standardFolder();
    // The user's store, under this machine's device name, which is kept outside the shared folder so
    // that it is never copied to another machine.
    static std::unique_ptr<FolderKeyValueStore> createStandard(const Clock& clock, QObject* parent = nullptr);
    // Letters, digits, '-' and '_': safe as a file name on every machine.
    static bool isValidDeviceName(const QString& name);

    // The store never creates `folder`: whether it exists decides the account (FolderCloudAccount).
    FolderKeyValueStore(
        const QString& folder, const QString& deviceName, const Clock& clock, QObject* parent = nullptr);

    QString deviceName() const { return m_deviceName; }

    std::optional<QByteArray> data(const QString& key) const override;
    void setData(const QByteArray& data, const QString& key) override;
    // Rereads the other devices' files that changed and retries a failed write of our own.
    bool synchronize() override;

private:
    struct Entry
    {
        QByteArray value;
        double writtenAt = 0;
        QString device;
        bool operator==(const Entry&) const = default;
    };
    using Entries = std::map<QString, Entry>;
    struct PeerFile
    {
        // Which version of the file was read.
        FileIdentity stamp;
        Entries entries;
    };

    static std::optional<Entries> parseDeviceFile(const QByteArray& bytes);
    bool isTrusted(double writtenAt) const;
    bool supersedes(const Entry& candidate, const Entry& held) const;
    double stampFor(const QString& key) const;
    QString ownFileName() const { return m_deviceName + QStringLiteral(".json"); }
    void loadOwnFile();
    bool writeOwnFile() const;
    Entries merged() const;
    // Reads the file only when it is not the version `previous` holds.
    static PeerFile readPeerFile(const QString& path, PeerFile* previous);
    QStringList reloadOtherDevices();
    void watch(const QStringList& otherFiles);
    void refresh();

    QString m_folder;
    QString m_deviceName;
    const Clock& m_clock;
    Entries m_own;
    std::map<QString, PeerFile> m_others; // by file name
    QFileSystemWatcher m_watcher;
    bool m_ownFileSaved = true;
};

} // namespace platform
