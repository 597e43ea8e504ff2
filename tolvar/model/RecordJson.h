#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>

namespace tolvar {

// Parses data holding one JSON array, handing each element to `take` as soon as it is parsed and keeping none of
// them: the tree of a device's whole array of records took hundreds of megabytes beside the records. Fails, with a
// readable description in `error`, when the data is not JSON or not an array (after `take` had some elements); fails
// without one at the next object once `stopped()` holds.
bool takeJsonArrayElements(const QByteArray& data, const std::function<void(const nlohmann::json&)>& take,
    QString* error = nullptr, const std::function<bool()>& stopped = {});
QByteArray serializeJson(const nlohmann::json& json);

// Decodes a stored array of records element by element: a bad element is dropped alone, so that the
// next save cannot erase the good ones. Fails only when the data is not a JSON array, or once `stopped()` holds.
template <typename Record>
std::optional<QList<Record>> decodeRecordArray(
    const QByteArray& data, QString* error = nullptr, const std::function<bool()>& stopped = {})
{
    QList<Record> records;
    const auto take = [&records](const nlohmann::json& element) {
        if (std::optional<Record> record = Record::fromJson(element))
            records.append(std::move(*record));
    };
    if (!takeJsonArrayElements(data, take, error, stopped))
        return std::nullopt;
    return records;
}

// Fails only once `stopped()` holds, checked at every record. Written record by record, as a whole array's dump
// would write it, so that no tree of the whole array is built: it took hundreds of megabytes, and its dump could not
// be stopped.
template <typename Record>
std::optional<QByteArray> encodeRecordArrayUnlessStopped(
    const QList<Record>& records, const std::function<bool()>& stopped)
{
    QByteArray text("[");
    for (const Record& record : records) {
        if (stopped && stopped())
            return std::nullopt;
        if (text.size() > 1)
            text += ',';
        text += serializeJson(record.toJson());
    }
    return text + ']';
}

template <typename Record> QByteArray encodeRecordArray(const QList<Record>& records)
{
    return *encodeRecordArrayUnlessStopped(records, {});
}

} // namespace tolvar
