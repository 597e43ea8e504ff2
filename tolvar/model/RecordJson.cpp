#include "tolvar/model/RecordJson.h"

#include "platform/text/Localized.h"

namespace tolvar {

std::optional<nlohmann::json> parseJsonArray(const QByteArray& data, QString* error)
{
    nlohmann::json json = nlohmann::json::parse(data.begin(), data.end(), nullptr, false);
    if (json.is_discarded() || !json.is_array()) {
        if (error) {
            *error = json.is_discarded() ? platform::localized("The stored data is not valid JSON.")
                                         : platform::localized("The stored data is not a list.");
        }
        return std::nullopt;
    }
    return json;
}

QByteArray serializeJson(const nlohmann::json& json)
{
    // Strings come from QString and are valid UTF-8; replacing keeps a stray byte from throwing.
    return QByteArray::fromStdString(json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

} // namespace tolvar
