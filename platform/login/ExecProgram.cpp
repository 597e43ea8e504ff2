#include "platform/login/ExecProgram.h"

#include <QList>

namespace platform {

namespace {

// Characters that an Exec argument may hold only inside double quotes.
constexpr QStringView reservedOutsideQuotes = u" \t\n\"'\\><~|&;$*?#()`";
// Characters that take a backslash inside double quotes.
constexpr QStringView escapedInsideQuotes = u"\"`$\\";

// A stored string value with its escapes undone; `ends[i]` is where the stored form of character i ends.
struct Unescaped
{
    QString text;
    QList<qsizetype> ends;
};

std::optional<Unescaped> unescaped(const QString& stored)
{
    Unescaped result;
    for (qsizetype i = 0; i < stored.size(); ++i) {
        QChar c = stored[i];
        if (c == u'\\') {
            if (++i == stored.size())
                return std::nullopt;
            switch (stored[i].unicode()) {
            case u's':
                c = u' ';
                break;
            case u'n':
                c = u'\n';
                break;
            case u't':
                c = u'\t';
                break;
            case u'r':
                c = u'\r';
                break;
            case u'\\':
                c = u'\\';
                break;
            default:
                return std::nullopt;
            }
        }
        result.text += c;
        result.ends.append(i + 1);
    }
    return result;
}

// The word with its %% undone; empty when it holds a field code.
std::optional<QString> withoutFieldCodes(const QString& word)
{
    QString path;
    for (qsizetype i = 0; i < word.size(); ++i) {
        if (word[i] == u'%' && (++i == word.size() || word[i] != u'%'))
            return std::nullopt;
        path += word[i];
    }
    return path;
}

} // namespace

std::optional<ExecProgram> ExecProgram::read(const QString& storedValue)
{
    const std::optional<Unescaped> value = unescaped(storedValue);
    if (!value || value->text.isEmpty())
        return std::nullopt;
    const QString& text = value->text;
    QString word;
    qsizetype end = 0;
    if (text.front() == u'"') {
        for (end = 1; end < text.size() && text[end] != u'"'; ++end) {
            if (text[end] == u'\\') {
                if (++end == text.size() || !escapedInsideQuotes.contains(text[end]))
                    return std::nullopt;
            } else if (escapedInsideQuotes.contains(text[end])) {
                return std::nullopt;
            }
            word += text[end];
        }
        if (end == text.size())
            return std::nullopt;
        ++end;
    } else {
        while (end < text.size() && text[end] != u' ' && text[end] != u'\t') {
            if (reservedOutsideQuotes.contains(text[end]))
                return std::nullopt;
            word += text[end++];
        }
    }
    // A quote that closes inside a word leaves the word's end unclear.
    if (end < text.size() && text[end] != u' ' && text[end] != u'\t')
        return std::nullopt;
    const std::optional<QString> path = withoutFieldCodes(word);
    if (!path || path->isEmpty())
        return std::nullopt;
    return ExecProgram { *path, value->ends[end - 1] };
}

QString ExecProgram::stored(const QString& path)
{
    QString quoted = QStringLiteral("\"");
    for (const QChar c : path) {
        if (escapedInsideQuotes.contains(c))
            quoted += u'\\';
        if (c == u'%')
            quoted += u'%';
        quoted += c;
    }
    quoted += u'"';
    QString stored;
    for (const QChar c : std::as_const(quoted)) {
        switch (c.unicode()) {
        case u'\\':
            stored += QStringLiteral("\\\\");
            break;
        case u'\n':
            stored += QStringLiteral("\\n");
            break;
        case u'\t':
            stored += QStringLiteral("\\t");
            break;
        case u'\r':
            stored += QStringLiteral("\\r");
            break;
        default:
            stored += c;
        }
    }
    return stored;
}

} // namespace platform
