#include "tolvar/model/RecordJson.h"

#include "platform/text/Localized.h"

namespace tolvar {

namespace {

// The library's own document builder, which gives up at the next object once told to stop: the records of a
// device file of tens of megabytes take a second to parse, which a quit must not wait for.
class StoppableDocument : public nlohmann::detail::json_sax_dom_parser<nlohmann::json>
{
public:
    StoppableDocument(nlohmann::json& root, const std::function<bool()>& stopped)
        : json_sax_dom_parser(root, false)
        , m_stopped(stopped)
    { }

    bool start_object(std::size_t elements)
    {
        m_wasStopped = m_stopped && m_stopped();
        return !m_wasStopped && json_sax_dom_parser::start_object(elements);
    }

    bool wasStopped() const { return m_wasStopped; }

private:
    const std::function<bool()>& m_stopped;
    bool m_wasStopped = false;
};

} // namespace

std::optional<nlohmann::json> parseJsonArray(
    const QByteArray& data, QString* error, const std::function<bool()>& stopped)
{
    nlohmann::json json;
    StoppableDocument document(json, stopped);
    const bool parsed = nlohmann::json::sax_parse(data.begin(), data.end(), &document) && !document.is_errored();
    if (document.wasStopped())
        return std::nullopt;
    if (!parsed || !json.is_array()) {
        if (error) {
            *error = !parsed ? platform::localized("The stored data is not valid JSON.")
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
