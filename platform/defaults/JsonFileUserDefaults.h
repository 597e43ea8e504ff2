#pragma once

#include "platform/defaults/UserDefaults.h"
#include "platform/files/WholeFileWriter.h"

#include <nlohmann/json.hpp>

namespace platform {

// User defaults kept in one JSON object file, rewritten atomically on every change. Values of a shape
// it does not know are left in the file untouched.
class JsonFileUserDefaults final : public UserDefaults
{
    Q_OBJECT
public:
    // Far beyond what the settings need, and well within what can be read at start.
    static constexpr qint64 maximumFileSize = 32 * 1024 * 1024;

    // $XDG_CONFIG_HOME/tolvar/defaults.json
    static QString standardFilePath();

    // Bytes that are not UTF-8 read as replacement characters, and the file is copied aside before it is first
    // written back, unless a copy of these bytes is there already. A file that is no JSON object is renamed aside and
    // reads as empty defaults. A file without permission to read it, or that is no regular file or is larger than
    // `maximumFileSize`, is left alone: the defaults read as empty and are not saved. Anything else that takes the
    // file's place later, or that its link reaches by then, is never written either: changes are written once a
    // regular file, or nothing, is there again.
    explicit JsonFileUserDefaults(const QString& filePath, QObject* parent = nullptr);

    std::optional<Value> value(const QString& key) const override;
    // A double that is not finite has no JSON form: it is refused and the stored value stays.
    void setValue(const QString& key, const Value& value) override;
    void remove(const QString& key) override;
    QStringList keys() const override;

private:
    void load();
    bool setBrokenFileAside();
    bool keepCopyBeforeRepair();
    void save();
    bool reachesRegularFile();

    QString m_filePath;
    WholeFileWriter m_writer;
    nlohmann::json m_document = nlohmann::json::object();
    // The file as it was read, while it holds bytes that are not UTF-8 and no copy of it was kept yet.
    std::optional<QByteArray> m_bytesBeforeRepair;
    bool m_repairCopyFailing = false;
    bool m_notRegularReported = false;
    // False while a broken file could not be moved aside, or could not be read, so that it is never overwritten.
    bool m_canWrite = true;
};

} // namespace platform
