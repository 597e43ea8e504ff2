#include "platform/cloud/DeviceFileEntries.h"

#include "platform/cloud/StoppableBytes.h"

#include <QByteArrayView>
#include <algorithm>
#include <cstring>
#include <nlohmann/json.hpp>
#include <vector>

namespace platform {

namespace {

// A value this long that holds only base64 is taken out of a device file's text before the JSON parser reads it.
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

// The value of a "value" member taken out of a device file's text: the how-manieth of the text's strings it was,
// keys counted, and what it decodes to, absent when it is not base64.
struct LiftedValue
{
    qsizetype ordinal = 0;
    std::optional<QByteArray> decoded;
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

// Decodes the long base64 values of the text's "value" members (a device's records are tens of megabytes of it) and
// empties them there: the JSON parser's reader holds two growing copies of each string it reads until its parse
// ends. Only the insides of strings change, so the text stays as valid, or as invalid, as it was.
std::vector<LiftedValue> liftLongValues(QByteArray& text, const std::function<bool()>& stopped)
{
    std::vector<LiftedValue> lifted;
    char* const begin = text.data();
    const char* const end = begin + text.size();
    char* kept = begin;
    qsizetype strings = 0;
    // Where the last string ended in what is kept, when it was "value".
    const char* afterValueKey = nullptr;
    for (const char* at = begin; at < end;) {
        if (*at != '"') {
            *kept++ = *at++;
            continue;
        }
        if (stopped())
            break;
        // Up to the next quote that no backslash escapes; an unclosed string is left to the parser to reject.
        const char* close = at + 1;
        bool base64 = true;
        while (close < end && *close != '"') {
            base64 = base64 && isBase64(*close);
            close += *close == '\\' && close + 1 < end ? 2 : 1;
        }
        const char* const next = std::min(close + 1, end);
        const qsizetype length = close - at - 1;
        const bool valueOfValue = afterValueKey && isMemberSeparator(afterValueKey, kept);
        const bool isValueKey = QByteArrayView(at, next) == "\"value\"";
        if (close < end && base64 && length >= liftedLength && valueOfValue) {
            lifted.push_back({ strings, fromBase64(at + 1, length) });
            *kept++ = '"';
            *kept++ = '"';
        } else {
            std::memmove(kept, at, size_t(next - at));
            kept += next - at;
        }
        afterValueKey = isValueKey ? kept : nullptr;
        at = next;
        ++strings;
    }
    text.truncate(kept - begin);
    text.squeeze();
    return lifted;
}

// Takes a device file's entries as the JSON parser meets them, with no tree of the file; as in a tree, the last of
// a name, or of a field in an entry, wins. An entry that is no object is found absent.
class DeviceFileParse
{
public:
    using Json = nlohmann::json;

    explicit DeviceFileParse(std::vector<LiftedValue> lifted)
        : m_lifted(std::move(lifted))
    { }

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
        if (m_field == Field::value)
            m_entry.value = lifted ? std::move(m_lifted[m_nextLifted - 1].decoded)
                                   : fromBase64(text.data(), qsizetype(text.size()));
        else if (m_field == Field::device)
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
            entries.insert_or_assign(m_name, std::exchange(m_entry, {}));
            m_inEntry = false;
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
        else if (isField() && m_field == Field::value)
            m_entry.value.reset();
        else if (isField() && m_field == Field::time)
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
        if (m_nextLifted == m_lifted.size() || m_lifted[m_nextLifted].ordinal != ordinal)
            return false;
        ++m_nextLifted;
        return true;
    }

    std::vector<LiftedValue> m_lifted;
    size_t m_nextLifted = 0;
    qsizetype m_strings = 0;
    int m_depth = 0;
    QString m_name;
    bool m_inEntry = false;
    Field m_field = Field::other;
    DeviceFileEntry m_entry;
};

} // namespace

std::optional<std::map<QString, std::optional<DeviceFileEntry>>> deviceFileEntries(
    QByteArray text, const std::function<bool()>& stopped)
{
    // The values are decoded as they are taken out of the text, and the rest is parsed without them.
    DeviceFileParse parse(liftLongValues(text, stopped));
    const bool parsed = nlohmann::json::sax_parse(
        StoppableBytes(text.cbegin(), text.cend(), stopped), StoppableBytes(text.cend(), text.cend(), stopped), &parse);
    if (stopped() || !parsed)
        return std::nullopt;
    return std::move(parse.entries);
}

} // namespace platform
