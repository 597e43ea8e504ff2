#include "platform/cloud/DeviceFileEntries.h"

#include "platform/cloud/StoppableBytes.h"

#include <QByteArrayView>
#include <algorithm>
#include <nlohmann/json.hpp>
#include <vector>

namespace platform {

namespace {

// A value this long that holds only base64 is passed over by the JSON parser, and decoded from the text alone.
constexpr qsizetype liftedLength = 4096;

bool isBase64(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/'
        || c == '=';
}

std::optional<QByteArray> fromBase64(const char* text, qsizetype size)
{
    QByteArray::FromBase64Result result
        = QByteArray::fromBase64Encoding(QByteArray::fromRawData(text, size), QByteArray::AbortOnBase64DecodingErrors);
    return result ? std::optional(std::move(*result)) : std::nullopt;
}

// The "value" members' strings left out of what the JSON parser reads: the how-manieth of the text's strings each was,
// keys counted, and where its base64 stands in the text.
struct LongValues
{
    std::vector<qsizetype> ordinals;
    std::vector<StoppableBytes::Stretch> base64;
};

// Whether [from, to) holds a member's colon and white space alone.
bool isMemberSeparator(const char* from, const char* to)
{
    int colons = 0;
    for (; from < to; ++from) {
        colons += *from == ':';
        if (*from != ':' && *from != ' ' && *from != '\t' && *from != '\n' && *from != '\r')
            return false;
    }
    return colons == 1;
}

// The long base64 values of the text's "value" members (a device's records are tens of megabytes of it), which the
// JSON parser passes over: its reader holds two growing copies of each string it reads until its parse ends. Only the
// insides of strings are passed over, so the text read stays as valid, or as invalid, as it was.
LongValues longValues(const QByteArray& text, const std::function<bool()>& stopped)
{
    LongValues lifted;
    const char* const end = text.cend();
    qsizetype strings = 0;
    // Where the last string ended, when it was "value".
    const char* afterValueKey = nullptr;
    for (const char* at = text.cbegin(); at < end;) {
        const char* const quote = std::find(at, end, '"');
        if (quote == end)
            break;
        if (stopped())
            break;
        // Up to the next quote that no backslash escapes; an unclosed string is left to the parser to reject.
        const char* close = quote + 1;
        bool base64 = true;
        while (close < end && *close != '"') {
            base64 = base64 && isBase64(*close);
            close += *close == '\\' && close + 1 < end ? 2 : 1;
        }
        const char* const next = std::min(close + 1, end);
        const qsizetype length = close - quote - 1;
        const bool valueOfValue = afterValueKey && isMemberSeparator(afterValueKey, quote);
        if (close < end && base64 && length >= liftedLength && valueOfValue) {
            lifted.ordinals.push_back(strings);
            lifted.base64.push_back({ quote + 1, close });
        }
        afterValueKey = QByteArrayView(quote, next) == "\"value\"" ? next : nullptr;
        at = next;
        ++strings;
    }
    return lifted;
}

// Takes a device file's entries as the JSON parser meets them, with no tree of the file; as in a tree, the last of
// a name, or of a field in an entry, wins. An entry that is no object is found absent. A long value is decoded from
// the text once its entry is whole, and only when it is wanted.
class DeviceFileParse
{
public:
    using Json = nlohmann::json;

    DeviceFileParse(const QByteArray& text, const std::function<bool()>& stopped, const WantedEntry& wanted)
        : m_lifted(longValues(text, stopped))
        , m_wanted(wanted)
    { }

    std::span<const StoppableBytes::Stretch> passedOver() const { return m_lifted.base64; }

    std::map<QString, std::optional<DeviceFileEntry>> entries;

    bool null() { return other(); }
    bool boolean(bool) { return other(); }
    bool number_integer(Json::number_integer_t number) { return time(double(number)); }
    bool number_unsigned(Json::number_unsigned_t number) { return time(double(number)); }
    bool number_float(Json::number_float_t number, const Json::string_t&) { return time(number); }
    bool binary(Json::binary_t&) { return other(); }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) { return false; }

    bool string(Json::string_t& text)
    {
        const bool lifted = wasLifted();
        if (!isField())
            return other();
        if (m_field == Field::value) {
            m_liftedValue = lifted ? &m_lifted.base64[m_nextLifted - 1] : nullptr;
            m_entry.value = lifted ? std::nullopt : fromBase64(text.data(), qsizetype(text.size()));
        } else if (m_field == Field::device)
            m_entry.device = QString::fromStdString(text);
        else if (m_field == Field::time)
            m_entry.time.reset();
        return true;
    }

    bool key(Json::string_t& name)
    {
        wasLifted();
        if (m_depth == 1)
            m_name = QString::fromStdString(name);
        else if (m_depth == 2 && m_inEntry)
            m_field = name == "value" ? Field::value
                : name == "time"      ? Field::time
                : name == "device"    ? Field::device
                                      : Field::other;
        return true;
    }

    bool start_object(std::size_t)
    {
        if (m_depth == 1) {
            m_inEntry = true;
            m_entry = {};
            m_liftedValue = nullptr;
        } else if (m_depth > 1) {
            other();
        }
        ++m_depth;
        return true;
    }

    bool end_object()
    {
        --m_depth;
        if (m_depth == 1 && m_inEntry) {
            m_inEntry = false;
            DeviceFileEntry entry = std::exchange(m_entry, {});
            const StoppableBytes::Stretch* lifted = std::exchange(m_liftedValue, nullptr);
            if (entry.time && entry.device && m_wanted && !m_wanted(m_name, *entry.time, *entry.device)) {
                entries.erase(m_name);
                return true;
            }
            if (lifted)
                entry.value = fromBase64(lifted->begin, lifted->end - lifted->begin);
            entries.insert_or_assign(m_name, std::move(entry));
        }
        return true;
    }

    bool start_array(std::size_t)
    {
        if (!other())
            return false;
        ++m_depth;
        return true;
    }

    bool end_array()
    {
        --m_depth;
        return true;
    }

private:
    enum class Field { value, time, device, other };

    bool isField() const { return m_depth == 2 && m_inEntry; }

    // A value other than its place calls for: at the root the file is no device's, as an entry the entry is
    // damaged, as a field the field is; deeper, or beside the fields, it is passed over.
    bool other()
    {
        if (m_depth == 0)
            return false;
        if (m_depth == 1)
            entries.insert_or_assign(m_name, std::nullopt);
        else if (isField() && m_field == Field::value) {
            m_entry.value.reset();
            m_liftedValue = nullptr;
        } else if (isField() && m_field == Field::time)
            m_entry.time.reset();
        else if (isField() && m_field == Field::device)
            m_entry.device.reset();
        return true;
    }

    bool time(double number)
    {
        if (!isField() || m_field != Field::time)
            return other();
        m_entry.time = number;
        return true;
    }

    // Whether the string the parser has just read was taken out of the text; counts it.
    bool wasLifted()
    {
        const qsizetype ordinal = m_strings++;
        if (m_nextLifted == m_lifted.ordinals.size() || m_lifted.ordinals[m_nextLifted] != ordinal)
            return false;
        ++m_nextLifted;
        return true;
    }

    LongValues m_lifted;
    const WantedEntry& m_wanted;
    size_t m_nextLifted = 0;
    qsizetype m_strings = 0;
    int m_depth = 0;
    QString m_name;
    bool m_inEntry = false;
    Field m_field = Field::other;
    DeviceFileEntry m_entry;
    // Where the entry's value stands in the text, when the parser passed over it.
    const StoppableBytes::Stretch* m_liftedValue = nullptr;
};

} // namespace

std::optional<std::map<QString, std::optional<DeviceFileEntry>>> deviceFileEntries(
    QByteArray text, const std::function<bool()>& stopped, const WantedEntry& wanted)
{
    DeviceFileParse parse(text, stopped, wanted);
    const bool parsed
        = nlohmann::json::sax_parse(StoppableBytes(text.cbegin(), text.cend(), stopped, parse.passedOver()),
            StoppableBytes(text.cend(), text.cend(), stopped), &parse);
    if (stopped() || !parsed)
        return std::nullopt;
    return std::move(parse.entries);
}

} // namespace platform
