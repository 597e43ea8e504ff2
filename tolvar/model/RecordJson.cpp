#include "tolvar/model/RecordJson.h"

#include "platform/text/Localized.h"

namespace tolvar {

namespace {

// The library's own document builder, which offers each value to `callback` as it is parsed and gives up at the next
// object once told to stop: the records of a device file of tens of megabytes take a second to parse, which a quit
// must not wait for.
class StoppableDocument : public nlohmann::detail::json_sax_dom_callback_parser<nlohmann::json>
{
public:
    StoppableDocument(
        nlohmann::json& root, const nlohmann::json::parser_callback_t& callback, const std::function<bool()>& stopped)
        : json_sax_dom_callback_parser(root, callback, false)
        , m_stopped(stopped)
    { }

    bool start_object(std::size_t elements)
    {
        m_wasStopped = m_stopped && m_stopped();
        return !m_wasStopped && json_sax_dom_callback_parser::start_object(elements);
    }

    bool wasStopped() const { return m_wasStopped; }

private:
    const std::function<bool()>& m_stopped;
    bool m_wasStopped = false;
};

} // namespace

bool takeJsonArrayElements(const QByteArray& data, const std::function<void(const nlohmann::json&)>& take,
    QString* error, const std::function<bool()>& stopped)
{
    using Event = nlohmann::json::parse_event_t;
    bool isArray = false;
    // An element is whole at its end, or as it is parsed when it is no object or array; kept, it would be dropped
    // from the tree once the array's end showed that the data is no list.
    const auto callback = [&](int depth, Event event, nlohmann::json& parsed) {
        if (depth == 0 && event == Event::array_start)
            isArray = true;
        if (!isArray || depth != 1
            || (event != Event::object_end && event != Event::array_end && event != Event::value))
            return true;
        take(parsed);
        return false;
    };
    nlohmann::json json;
    StoppableDocument document(json, callback, stopped);
    const bool parsed = nlohmann::json::sax_parse(data.begin(), data.end(), &document) && !document.is_errored();
    if (document.wasStopped())
        return false;
    if (!parsed || !json.is_array()) {
        if (error) {
            *error = !parsed ? platform::localized("The stored data is not valid JSON.")
                             : platform::localized("The stored data is not a list.");
        }
        return false;
    }
    return true;
}

QByteArray serializeJson(const nlohmann::json& json)
{
    // Strings come from QString and are valid UTF-8; replacing keeps a stray byte from throwing.
    return QByteArray::fromStdString(json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

} // namespace tolvar
