#include "platform/calendar/ICalendarParser.h"

#include "platform/BackgroundRelease.h"

#include <QByteArray>
#include <algorithm>
#include <cstring>
#include <limits>

namespace platform {

namespace {

// The text still to be read.
struct TextSource
{
    const char* position;
    const char* end;
    // Null when the text has no LF at all.
    const char* lastLineFeed;
};

// Hands libical the text as its own string reader does: a line ends at LF, and once no LF is left, at CR,
// which is then passed on as an LF so that libical joins folded lines after it too. A line longer than
// libical's buffer comes in pieces, which libical puts together again.
char* nextPiece(char* out, size_t size, void* data)
{
    TextSource& source = *static_cast<TextSource*>(data);
    if (source.position == source.end || size < 2)
        return nullptr;
    const size_t window = std::min(size_t(source.end - source.position), size - 1);
    const bool endsAtReturn = !source.lastLineFeed || source.position > source.lastLineFeed;
    const auto* lineEnd = static_cast<const char*>(std::memchr(source.position, endsAtReturn ? '\r' : '\n', window));
    const size_t length = lineEnd ? size_t(lineEnd - source.position) + 1 : window;
    std::memcpy(out, source.position, length);
    if (lineEnd && endsAtReturn)
        out[length - 1] = '\n';
    out[length] = '\0';
    source.position += length;
    return out;
}

enum class Marker { none, begin, end };

// libical takes a line's name up to its first ':' or ';' and drops the white space at the name's end: then
// "BEGIN" and "END", in any case, open and close a component, whatever follows.
Marker markerOf(const char* line)
{
    const auto named = [line](const char* name, size_t size) {
        if (qstrnicmp(line, name, size) != 0)
            return false;
        const char* rest = line + size;
        while (*rest == ' ' || *rest == '\t' || *rest == '\v' || *rest == '\f' || *rest == '\r')
            ++rest;
        return *rest == ':' || *rest == ';';
    };
    if (named("BEGIN", 5))
        return Marker::begin;
    if (named("END", 3))
        return Marker::end;
    return Marker::none;
}

// The line with its INTERVAL as ICalendarParser::wholeIntervalParameter says, when it is an RRULE whose INTERVAL
// libical would cut, or one at the cap, so that a parameter of that name the file wrote itself never comes first; else
// nothing. An INTERVAL that is no number, or not positive, stays for libical to refuse.
std::optional<QByteArray> withWholeInterval(const char* line)
{
    constexpr qsizetype nameSize = 5;
    if (qstrnicmp(line, "RRULE", nameSize) != 0 || (line[nameSize] != ';' && line[nameSize] != ':'))
        return std::nullopt;
    const QByteArrayView text(line);
    // The value begins at the first colon outside quotes.
    qsizetype value = nameSize;
    for (bool quoted = false; value < text.size() && (quoted || text[value] != ':'); ++value) {
        if (text[value] == '"')
            quoted = !quoted;
    }
    for (qsizetype part = value + 1; part < text.size();) {
        qsizetype partEnd = text.indexOf(';', part);
        if (partEnd < 0)
            partEnd = text.size();
        constexpr QByteArrayView name("INTERVAL=");
        if (partEnd - part >= name.size() && qstrnicmp(text.data() + part, name.data(), name.size()) == 0) {
            QByteArrayView digits = text.sliced(part + name.size(), partEnd - part - name.size());
            if (digits.startsWith('+'))
                digits = digits.sliced(1);
            if (digits.isEmpty()
                || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
                return std::nullopt;
            while (digits.size() > 1 && digits.front() == '0')
                digits = digits.sliced(1);
            constexpr short longest = std::numeric_limits<short>::max();
            if (digits.size() < 5 || (digits.size() == 5 && digits.toInt() < longest))
                return std::nullopt;
            QByteArray result;
            result.append(text.first(nameSize)).append(';').append(ICalendarParser::wholeIntervalParameter);
            result.append('=').append(digits).append(text.sliced(nameSize, part + name.size() - nameSize));
            return result.append(QByteArray::number(longest)).append(text.sliced(partEnd));
        }
        part = partEnd + 1;
    }
    return std::nullopt;
}

// What libical's own parse makes of a text of several top-level components.
ICalendarParser::Tree adding(ICalendarParser::Tree root, icalcomponent* component)
{
    if (!root)
        return ICalendarParser::Tree(component, &icalcomponent_free);
    if (icalcomponent_isa(root.get()) != ICAL_XROOT_COMPONENT) {
        ICalendarParser::Tree container(icalcomponent_new(ICAL_XROOT_COMPONENT), &icalcomponent_free);
        icalcomponent_add_component(container.get(), root.release());
        root = std::move(container);
    }
    icalcomponent_add_component(root.get(), component);
    return root;
}

} // namespace

std::optional<ICalendarParser::Tree> ICalendarParser::parse(QByteArrayView text, const std::atomic<bool>* abandoned)
{
    // A malformed file must never abort the program from inside libical.
    static const bool errorsNotFatal = [] {
        icalerror_set_errors_are_fatal(0);
        return true;
    }();
    Q_UNUSED(errorsNotFatal);

    const qsizetype nul = text.indexOf('\0');
    if (nul >= 0)
        text = text.first(nul);
    const qsizetype lastLineFeed = text.lastIndexOf('\n');
    TextSource source { text.data(), text.data() + text.size(),
        lastLineFeed < 0 ? nullptr : text.data() + lastLineFeed };
    std::unique_ptr<icalparser, decltype(&icalparser_free)> parser(icalparser_new(), &icalparser_free);
    icalparser_set_gen_data(parser.get(), &source);

    Tree root(nullptr, &icalcomponent_free);
    // Components libical holds open: an END with none open is one it ignores.
    int depth = 0;
    while (char* read = icalparser_get_line(parser.get(), &nextPiece)) {
        const std::unique_ptr<char, decltype(&icalmemory_free_buffer)> line(read, &icalmemory_free_buffer);
        // A file of hundreds of megabytes takes minutes: a store that goes must not wait for it, nor for the
        // seconds it takes to free what was built so far.
        if (abandoned && abandoned->load(std::memory_order_relaxed)) {
            releaseInBackground(std::move(parser), std::move(root));
            return std::nullopt;
        }
        switch (markerOf(line.get())) {
        case Marker::begin:
            // Those open so far are freed one by one, never as one deep tree.
            if (++depth > maximumNesting)
                return std::nullopt;
            break;
        case Marker::end:
            depth = std::max(depth - 1, 0);
            break;
        case Marker::none:
            break;
        }
        std::optional<QByteArray> rule = withWholeInterval(line.get());
        if (icalcomponent* component = icalparser_add_line(parser.get(), rule ? rule->data() : line.get()))
            root = adding(std::move(root), component);
    }
    return root;
}

} // namespace platform
