#pragma once

#include "platform/defaults/UserDefaults.h"

#include <nlohmann/json.hpp>

namespace platform {

// User defaults kept in one JSON object file, rewritten atomically on every change. Values of a shape
// it does not know are left in the file untouched.
class JsonFileUserDefaults final : public UserDefaults
{
    Q_OBJECT
public:
    // $XDG_CONFIG_HOME/tolvar/defaults.json
    static QString standardFilePath();

    // Bytes that are not UTF-8 read as replacement characters. A file that is no JSON object is renamed aside
    // and reads as empty defaults. A file without permission to read it is left alone: the defaults read as
    // empty and are not saved.
    explicit JsonFileUserDefaults(const QString& filePath, QObject* parent = nullptr);

    std::optional<Value> value(const QString& key) const override;
    // A double that is not finite has no JSON form: it is refused and the stored value stays.
    void setValue(const QString& key, const Value& value) override;
    void remove(const QString& key) override;
    QStringList keys() const override;

private:
    void load();
    bool setBrokenFileAside();
    void save() const;

    QString m_filePath;
    nlohmann::json m_document = nlohmann::json::object();
    // False while a broken file could not be moved aside, or could not be read, so that it is never overwritten.
    bool m_canWrite = true;
};

} // namespace platform
