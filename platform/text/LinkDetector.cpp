#include "platform/text/LinkDetector.h"

namespace platform {
namespace {

// Top-level domains common enough that a bare "name.tld" is almost surely a link. Country codes that
// double as file extensions (md, py, sh, rs) are left out on purpose.
constexpr QStringView knownTopLevelDomains[] = {
    u"ai",
    u"app",
    u"ar",
    u"asia",
    u"at",
    u"au",
    u"be",
    u"biz",
    u"br",
    u"ca",
    u"cc",
    u"ch",
    u"cloud",
    u"cn",
    u"co",
    u"com",
    u"cz",
    u"de",
    u"dev",
    u"dk",
    u"edu",
    u"es",
    u"eu",
    u"fi",
    u"fm",
    u"fr",
    u"gg",
    u"gl",
    u"gov",
    u"ie",
    u"in",
    u"info",
    u"int",
    u"io",
    u"it",
    u"jp",
    u"kr",
    u"ly",
    u"me",
    u"mil",
    u"mx",
    u"name",
    u"net",
    u"nl",
    u"no",
    u"nz",
    u"online",
    u"org",
    u"pl",
    u"pro",
    u"pt",
    u"ru",
    u"se",
    u"site",
    u"tech",
    u"to",
    u"tv",
    u"uk",
    u"us",
    u"ws",
    u"xyz",
};

// Schemes whose links carry no "//", such as mailto:bob@example.com. Other schemes need "://" (or
// ":/"), so that "Note:" or "Time:10am" in running text is not taken for a link.
constexpr QStringView opaqueSchemes[] = {
    u"callto",
    u"facetime",
    u"facetime-audio",
    u"mailto",
    u"sip",
    u"sips",
    u"skype",
    u"sms",
    u"tel",
};

constexpr QStringView trailingPunctuation = u".,;:!?'\u2026";
constexpr QStringView closingBrackets = u")]}";
constexpr QStringView openingBrackets = u"([{";

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isAsciiAlphanumeric(QChar c)
{
    return isAsciiLetter(c) || isAsciiDigit(c);
}

bool isSchemeChar(QChar c)
{
    return isAsciiAlphanumeric(c) || c == u'+' || c == u'-' || c == u'.';
}

bool isEmailLocalChar(QChar c)
{
    return isAsciiAlphanumeric(c) || QStringView(u"._%+-").contains(c);
}

// CJK punctuation and full-width forms end a link as a space would.
bool isFullWidthPunctuation(QChar c)
{
    return (c.unicode() >= 0x3000 && c.unicode() <= 0x303f) || (c.unicode() >= 0xff00 && c.unicode() <= 0xffef);
}

bool isLinkChar(QChar c)
{
    // Links are mostly ASCII, which needs no look-up of its category.
    if (c.unicode() < 0x80) {
        switch (c.unicode()) {
        case u'<':
        case u'>':
        case u'"':
        case u'`':
        case 0x7f:
            return false;
        default:
            return c.unicode() > 0x20;
        }
    }
    if (isFullWidthPunctuation(c))
        return false;
    switch (c.category()) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Punctuation_InitialQuote:
    case QChar::Punctuation_FinalQuote:
        return false;
    default:
        return !c.isSpace() && !QStringView(u"<>\"`").contains(c);
    }
}

// A link starts only where it does not continue a word, a host, a path or an address.
bool isLinkStart(QStringView text, qsizetype i)
{
    if (i == 0)
        return true;
    const QChar before = text[i - 1];
    return !isAsciiAlphanumeric(before) && !QStringView(u"@.-_+%/\\&=?#~").contains(before);
}

bool isAlphabetic(QStringView label)
{
    for (const QChar c : label) {
        if (!isAsciiLetter(c))
            return false;
    }
    return !label.isEmpty();
}

bool contains(const auto& list, QStringView word)
{
    for (const QStringView entry : list) {
        if (entry.compare(word, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// Length of `candidate` once trailing punctuation and unmatched closing brackets are cut off.
qsizetype trimmedLength(QStringView candidate)
{
    // Openers minus closers per bracket kind; a closer cut off while this is negative was never opened.
    qsizetype balance[3] = {};
    for (const QChar c : candidate) {
        switch (c.unicode()) {
        case u'(':
        case u'[':
        case u'{':
            ++balance[openingBrackets.indexOf(c)];
            break;
        case u')':
        case u']':
        case u'}':
            --balance[closingBrackets.indexOf(c)];
            break;
        default:
            break;
        }
    }
    qsizetype length = candidate.size();
    while (length > 0) {
        const QChar last = candidate[length - 1];
        const qsizetype kind = closingBrackets.indexOf(last);
        if (kind >= 0 && balance[kind] < 0)
            ++balance[kind];
        else if (!trailingPunctuation.contains(last))
            break;
        --length;
    }
    return length;
}

qsizetype scanLinkChars(QStringView text, qsizetype i)
{
    while (i < text.size() && isLinkChar(text[i]))
        ++i;
    return i;
}

// "scheme:rest": the length of the link starting at `start`, or 0.
qsizetype matchAbsolute(QStringView text, qsizetype start)
{
    if (!isAsciiLetter(text[start]))
        return 0;
    qsizetype colon = start + 1;
    while (colon < text.size() && isSchemeChar(text[colon]))
        ++colon;
    if (colon >= text.size() || text[colon] != u':')
        return 0;
    const QStringView scheme = text.mid(start, colon - start);
    const QStringView rest = text.mid(colon + 1);
    qsizetype bodyStart = colon + 1;
    if (rest.startsWith(u"//"))
        bodyStart += 2;
    else if (rest.startsWith(u'/') && scheme.size() > 1) // a single letter is a drive, as in C:/
        bodyStart += 1;
    else if (!contains(opaqueSchemes, scheme))
        return 0;
    const qsizetype end = start + trimmedLength(text.mid(start, scanLinkChars(text, bodyStart) - start));
    return end > bodyStart ? end - start : 0;
}

struct Host
{
    qsizetype length = 0;
    QStringView topLevel;
};

// "label.label.tld" in ASCII letters, digits and inner hyphens; at least two labels.
Host matchHost(QStringView text, qsizetype start)
{
    Host host;
    int labels = 0;
    qsizetype i = start;
    while (true) {
        qsizetype end = i;
        if (end < text.size() && isAsciiAlphanumeric(text[end])) {
            while (end < text.size() && (isAsciiAlphanumeric(text[end]) || text[end] == u'-'))
                ++end;
            // A label ends in a letter or digit.
            while (text[end - 1] == u'-')
                --end;
        }
        if (end == i)
            break;
        ++labels;
        host.topLevel = text.mid(i, end - i);
        host.length = end - start;
        if (end + 1 < text.size() && text[end] == u'.' && isAsciiAlphanumeric(text[end + 1])) {
            i = end + 1;
            continue;
        }
        break;
    }
    if (labels < 2)
        return {};
    return host;
}

// A host must not run on into a word or an address.
bool endsCleanly(QStringView text, qsizetype end)
{
    return end >= text.size() || (!text[end].isLetterOrNumber() && text[end] != u'@' && text[end] != u'_');
}

qsizetype matchEmail(QStringView text, qsizetype start)
{
    qsizetype at = start;
    while (at < text.size() && isEmailLocalChar(text[at]))
        ++at;
    if (at == start || at >= text.size() || text[at] != u'@' || text[start] == u'.' || text[at - 1] == u'.')
        return 0;
    const Host host = matchHost(text, at + 1);
    if (host.length == 0 || host.topLevel.size() < 2 || !isAlphabetic(host.topLevel))
        return 0;
    const qsizetype end = at + 1 + host.length;
    return endsCleanly(text, end) ? end - start : 0;
}

qsizetype matchBareDomain(QStringView text, qsizetype start)
{
    const Host host = matchHost(text, start);
    if (host.length == 0)
        return 0;
    const bool isWww = text.mid(start).startsWith(u"www.", Qt::CaseInsensitive);
    const bool knownLooking = isWww ? host.topLevel.size() >= 2 && isAlphabetic(host.topLevel)
                                    : contains(knownTopLevelDomains, host.topLevel);
    if (!knownLooking)
        return 0;
    qsizetype end = start + host.length;
    if (end + 1 < text.size() && text[end] == u':' && isAsciiDigit(text[end + 1])) {
        end += 1;
        while (end < text.size() && isAsciiDigit(text[end]))
            ++end;
    }
    if (end < text.size() && QStringView(u"/?#").contains(text[end]))
        return trimmedLength(text.mid(start, scanLinkChars(text, end) - start));
    return endsCleanly(text, end) ? end - start : 0;
}

struct Candidate
{
    qsizetype length = 0;
    QString scheme;
};

Candidate matchAt(QStringView text, qsizetype start)
{
    if (const qsizetype length = matchAbsolute(text, start))
        return { length, QString() };
    if (const qsizetype length = matchEmail(text, start))
        return { length, QStringLiteral("mailto:") };
    return { matchBareDomain(text, start), QStringLiteral("http://") };
}

} // namespace

QList<DetectedLink> detectLinks(QStringView text)
{
    QList<DetectedLink> links;
    forEachLink(text, [&links](const DetectedLink& link) { links.append(link); });
    return links;
}

void forEachLink(QStringView text, const std::function<void(const DetectedLink&)>& take)
{
    qsizetype i = 0;
    while (i < text.size()) {
        const Candidate candidate = isLinkStart(text, i) ? matchAt(text, i) : Candidate();
        if (candidate.length == 0) {
            ++i;
            continue;
        }
        const QString found = text.mid(i, candidate.length).toString();
        const QUrl url(candidate.scheme.isEmpty() ? found : candidate.scheme + found, QUrl::TolerantMode);
        if (url.isValid())
            take({ url, found, i });
        // Skipped even when malformed: rescanning its inside would cost quadratic time on long notes.
        i += candidate.length;
    }
}

} // namespace platform
