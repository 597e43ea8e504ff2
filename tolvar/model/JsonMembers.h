#pragma once

#include "platform/time/Date.h"

#include <QString>
#include <nlohmann/json.hpp>
#include <optional>

namespace tolvar {

// Reads the members of one stored record and keeps the first problem met. A member that is missing
// or null counts as absent; a member of the wrong type, or a date outside the record range, fails.
class JsonObjectReader
{
public:
    JsonObjectReader(const nlohmann::json& json, const char* recordName);

    // The member when it is present and not null.
    const nlohmann::json* member(const char* key) const;

    std::optional<QString> optionalString(const char* key);
    std::optional<platform::Date> optionalDate(const char* key);
    std::optional<bool> optionalBool(const char* key);
    std::optional<qint64> optionalInteger(const char* key);

    QString requiredString(const char* key);
    platform::Date requiredDate(const char* key);
    bool requiredBool(const char* key);
    qint64 requiredInteger(const char* key);

    void fail(const char* key, const QString& problem);
    // True when every read succeeded; otherwise sets `error` (if given) to the first problem.
    bool succeeded(QString* error) const;

private:
    void failMissing(const char* key);

    const nlohmann::json& m_json;
    const char* m_recordName;
    QString m_error;
};

inline void setMember(nlohmann::json& json, const char* key, const QString& value)
{
    json[key] = value.toStdString();
}

inline void setMember(nlohmann::json& json, const char* key, platform::Date value)
{
    json[key] = value.secondsSinceReferenceDate();
}

template <typename T> void setMember(nlohmann::json& json, const char* key, const std::optional<T>& value)
{
    if (value)
        setMember(json, key, *value);
}

} // namespace tolvar
