#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <map>
#include <optional>

namespace platform {

// What one entry of a device file of the shared folder holds, its value decoded from base64; a field is absent when
// it is missing or not of its kind.
struct DeviceFileEntry
{
    std::optional<QByteArray> value;
    std::optional<double> time;
    std::optional<QString> device;
};

// Whether the value of an entry written at `time` by `device` is wanted: what another copy holds may supersede it.
using WantedEntry = std::function<bool(const QString& name, double time, const QString& device)>;

// The entries of a device file's text by name, an entry absent when it is no object; as in a tree of the JSON, the
// last of a name, or of a field in an entry, wins. An entry with a time and a device that is not `wanted` is left out,
// its value never decoded. None when the text is not JSON or holds no object, or once `stopped()` holds. The text is
// taken: a device's records are tens of megabytes, of which no copy is made, and the JSON parser never reads the long
// values, of which its reader would hold two growing copies.
std::optional<std::map<QString, std::optional<DeviceFileEntry>>> deviceFileEntries(
    QByteArray text, const std::function<bool()>& stopped, const WantedEntry& wanted = {});

} // namespace platform
