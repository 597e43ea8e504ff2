#include "tolvar/model/JsonMembers.h"

#include <limits>

namespace tolvar {

JsonObjectReader::JsonObjectReader(const nlohmann::json& json, const char* recordName)
    : m_json(json)
    , m_recordName(recordName)
{
    if (!json.is_object())
        m_error = QStringLiteral("%1 is not a JSON object").arg(QLatin1String(recordName));
}

const nlohmann::json* JsonObjectReader::member(const char* key) const
{
    if (!m_json.is_object())
        return nullptr;
    const auto found = m_json.find(key);
    if (found == m_json.end() || found->is_null())
        return nullptr;
    return &*found;
}

std::optional<QString> JsonObjectReader::optionalString(const char* key)
{
    const nlohmann::json* value = member(key);
    if (!value)
        return std::nullopt;
    if (!value->is_string()) {
        fail(key, QStringLiteral("is not a string"));
        return std::nullopt;
    }
    return QString::fromStdString(value->get_ref<const std::string&>());
}

std::optional<platform::Date> JsonObjectReader::optionalDate(const char* key)
{
    const nlohmann::json* value = member(key);
    if (!value)
        return std::nullopt;
    if (!value->is_number()) {
        fail(key, QStringLiteral("is not a date"));
        return std::nullopt;
    }
    const platform::Date date(value->get<double>());
    // Out-of-range dates would overflow once turned into whole seconds.
    if (!date.isInRecordRange()) {
        fail(key, QStringLiteral("is a date out of range"));
        return std::nullopt;
    }
    return date;
}

std::optional<bool> JsonObjectReader::optionalBool(const char* key)
{
    const nlohmann::json* value = member(key);
    if (!value)
        return std::nullopt;
    if (!value->is_boolean()) {
        fail(key, QStringLiteral("is not a boolean"));
        return std::nullopt;
    }
    return value->get<bool>();
}

std::optional<qint64> JsonObjectReader::optionalInteger(const char* key)
{
    const nlohmann::json* value = member(key);
    if (!value)
        return std::nullopt;
    if (value->is_number_unsigned() && value->get<quint64>() > quint64(std::numeric_limits<qint64>::max())) {
        fail(key, QStringLiteral("is an integer out of range"));
        return std::nullopt;
    }
    if (!value->is_number_integer()) {
        fail(key, QStringLiteral("is not an integer"));
        return std::nullopt;
    }
    return value->get<qint64>();
}

QString JsonObjectReader::requiredString(const char* key)
{
    const std::optional<QString> value = optionalString(key);
    if (!value)
        failMissing(key);
    return value.value_or(QString());
}

platform::Date JsonObjectReader::requiredDate(const char* key)
{
    const std::optional<platform::Date> value = optionalDate(key);
    if (!value)
        failMissing(key);
    return value.value_or(platform::Date());
}

bool JsonObjectReader::requiredBool(const char* key)
{
    const std::optional<bool> value = optionalBool(key);
    if (!value)
        failMissing(key);
    return value.value_or(false);
}

qint64 JsonObjectReader::requiredInteger(const char* key)
{
    const std::optional<qint64> value = optionalInteger(key);
    if (!value)
        failMissing(key);
    return value.value_or(0);
}

void JsonObjectReader::fail(const char* key, const QString& problem)
{
    if (m_error.isEmpty())
        m_error = QStringLiteral("%1: member \"%2\" %3").arg(QLatin1String(m_recordName), QLatin1String(key), problem);
}

void JsonObjectReader::failMissing(const char* key)
{
    fail(key, QStringLiteral("is missing"));
}

bool JsonObjectReader::succeeded(QString* error) const
{
    if (error && !m_error.isEmpty())
        *error = m_error;
    return m_error.isEmpty();
}

} // namespace tolvar
