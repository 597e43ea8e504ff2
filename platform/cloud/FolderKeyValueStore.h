#pragma once

#include "platform/cloud/UbiquitousKeyValueStore.h"

#include <QFileSystemWatcher>
#include <map>
#include <memory>

namespace platform {

class Clock;

// The shared store as a folder that the user synchronises between machines. Each device writes only
// its own file, `<device>.json`, so that no file ever has two writers; a read takes per key the latest
// write over all device files, a tie going to the greater device name.
class FolderKeyValueStore final : public UbiquitousKeyValueStore
{
    Q_OBJECT
public:
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
    // Rereads the other devices' files and retries a failed write of our own.
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

    static std::optional<Entries> readDeviceFile(const QString& path);
    static bool supersedes(const Entry& candidate, const Entry& held);
    QString ownFileName() const { return m_deviceName + QStringLiteral(".json"); }
    void loadOwnFile();
    bool writeOwnFile() const;
    Entries merged() const;
    QStringList reloadOtherDevices();
    void watch(const QStringList& otherFiles);
    void refresh();

    QString m_folder;
    QString m_deviceName;
    const Clock& m_clock;
    Entries m_own;
    std::map<QString, Entries> m_others; // by file name
    QFileSystemWatcher m_watcher;
    bool m_ownFileSaved = true;
};

} // namespace platform
