// Finds the entries of a device file's text as the shared store does, with its long values passed over by the JSON
// parser, and checks that it finds what a tree of the whole JSON holds: the same entries, each damaged or whole alike,
// with the same fields; and, when only the entries of some times are wanted, none of the others.
#include "FuzzSupport.h"
#include "platform/cloud/DeviceFileEntries.h"

#include <nlohmann/json.hpp>

namespace {

template <typename T> std::optional<T> member(const nlohmann::json& entry, const char* name)
{
    const auto found = entry.find(name);
    if (found == entry.end())
        return std::nullopt;
    if constexpr (std::is_same_v<T, double>)
        return found->is_number() ? std::optional(found->get<double>()) : std::nullopt;
    else
        return found->is_string() ? std::optional(found->get<std::string>()) : std::nullopt;
}

bool same(const std::optional<platform::DeviceFileEntry>& a, const std::optional<platform::DeviceFileEntry>& b)
{
    if (!a || !b)
        return a.has_value() == b.has_value();
    return a->value == b->value && a->time == b->time && a->device == b->device;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto found = platform::deviceFileEntries(text, [] { return false; });
    const auto wantedOnly = platform::deviceFileEntries(
        text, [] { return false; }, [](const QString&, double time, const QString&) { return time < 100; });
    const auto tree = nlohmann::json::parse(text.begin(), text.end(), nullptr, false);
    FUZZ_CHECK(found.has_value() == tree.is_object());
    FUZZ_CHECK(wantedOnly.has_value() == tree.is_object());
    if (!found)
        return 0;
    FUZZ_CHECK(found->size() == tree.size());
    for (auto item = tree.begin(); item != tree.end(); ++item) {
        const auto entry = found->find(QString::fromStdString(item.key()));
        FUZZ_CHECK(entry != found->end());
        const bool whole = item->is_object() && member<double>(*item, "time") && member<std::string>(*item, "device");
        const bool unwanted = whole && !(*member<double>(*item, "time") < 100);
        const auto kept = wantedOnly->find(entry->first);
        FUZZ_CHECK(
            unwanted ? kept == wantedOnly->end() : kept != wantedOnly->end() && same(kept->second, entry->second));
        FUZZ_CHECK(entry->second.has_value() == item->is_object());
        if (!item->is_object())
            continue;
        std::optional<QByteArray> value;
        if (const std::optional<std::string> base64 = member<std::string>(*item, "value")) {
            if (auto decoded = QByteArray::fromBase64Encoding(
                    QByteArray::fromStdString(*base64), QByteArray::AbortOnBase64DecodingErrors))
                value = *decoded;
        }
        FUZZ_CHECK(entry->second->value == value);
        FUZZ_CHECK(entry->second->time == member<double>(*item, "time"));
        const std::optional<std::string> device = member<std::string>(*item, "device");
        FUZZ_CHECK(entry->second->device == (device ? std::optional(QString::fromStdString(*device)) : std::nullopt));
    }
    return 0;
}
