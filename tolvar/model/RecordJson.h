#pragma once

#include "platform/BackgroundRelease.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>

namespace tolvar {

// Parses data holding one JSON array. Fails, with a readable description in `error`, when the data
// is not JSON or not an array; fails without one at the next object once `stopped()` holds.
std::optional<nlohmann::json> parseJsonArray(
    const QByteArray& data, QString* error = nullptr, const std::function<bool()>& stopped = {});
QByteArray serializeJson(const nlohmann::json& json);

// Decodes a stored array of records element by element: a bad element is dropped alone, so that the
// next save cannot erase the good ones. Fails only when the data is not a JSON array, or once `stopped()` holds.
template <typename Record>
std::optional<QList<Record>> decodeRecordArray(
    const QByteArray& data, QString* error = nullptr, const std::function<bool()>& stopped = {})
{
    const std::optional<nlohmann::json> array = parseJsonArray(data, error, stopped);
    if (!array)
        return std::nullopt;
    QList<Record> records;
    records.reserve(qsizetype(array->size()));
    for (const nlohmann::json& element : *array) {
        if (stopped && stopped())
            return std::nullopt;
        if (std::optional<Record> record = Record::fromJson(element))
            records.append(std::move(*record));
    }
    return records;
}

// Fails only once `stopped()` holds, checked at every record.
template <typename Record>
std::optional<QByteArray> encodeRecordArrayUnlessStopped(
    const QList<Record>& records, const std::function<bool()>& stopped)
{
    nlohmann::json array = nlohmann::json::array();
    for (const Record& record : records) {
        if (stopped && stopped())
            break;
        array.push_back(record.toJson());
    }
    if (stopped && stopped()) {
        // A million small values, freed apart so that whoever stopped the encoding does not wait for it.
        platform::releaseInBackground(std::move(array));
        return std::nullopt;
    }
    return serializeJson(array);
}

template <typename Record> QByteArray encodeRecordArray(const QList<Record>& records)
{
    return *encodeRecordArrayUnlessStopped(records, {});
}

} // namespace tolvar
