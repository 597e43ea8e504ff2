#include "platform/text/DateTemplateFormat.h"

#include "platform/text/ShortTime.h"

#include <QDateTime>
#include <QHash>
#include <QMutex>
#include <memory>
#include <unicode/dtptngen.h>
#include <unicode/simpletz.h>
#include <unicode/smpdtfmt.h>

namespace platform {

namespace {

icu::UnicodeString toUnicode(const QString& text)
{
    return icu::UnicodeString(reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()));
}

QString fromUnicode(const icu::UnicodeString& text)
{
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

icu::Locale icuLocale(const QLocale& locale)
{
    if (locale.language() == QLocale::C)
        return icu::Locale("en_US_POSIX");
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale result = icu::Locale::forLanguageTag(locale.bcp47Name().toStdString(), status);
    return U_SUCCESS(status) ? result : icu::Locale::getRoot();
}

// Building a pattern generator loads the locale's data and costs about half a millisecond; the card
// asks for the same few patterns on every refresh.
icu::UnicodeString bestPattern(const icu::Locale& where, const QString& skeleton, UErrorCode& status)
{
    static QMutex mutex;
    static QHash<QString, icu::UnicodeString> patterns;
    const QString key = QString::fromLatin1(where.getName()) + QLatin1Char('|') + skeleton;
    const QMutexLocker locker(&mutex);
    if (const auto found = patterns.constFind(key); found != patterns.cend())
        return *found;
    const std::unique_ptr<icu::DateTimePatternGenerator> generator(
        icu::DateTimePatternGenerator::createInstance(where, status));
    if (U_FAILURE(status))
        return {};
    const icu::UnicodeString pattern = generator->getBestPattern(toUnicode(skeleton), status);
    if (U_SUCCESS(status))
        patterns.insert(key, pattern);
    return pattern;
}

} // namespace

QString formatDateFromTemplate(Date date, const QString& dateTemplate, const QLocale& locale, const QTimeZone& zone)
{
    const QDateTime moment = date.toDateTime();
    const icu::Locale where = icuLocale(locale);
    UErrorCode status = U_ZERO_ERROR;
    QString skeleton = dateTemplate;
    skeleton.remove(QLatin1Char(' '));
    const icu::UnicodeString pattern = bestPattern(where, skeleton, status);
    icu::SimpleDateFormat format(pattern, where, status);
    if (U_FAILURE(status))
        return locale.toString(moment.toTimeZone(zone).date(), QLocale::ShortFormat);
    // The zone's offset at this very instant, as Qt's database has it: the two databases need not agree
    // on identifiers or rules.
    format.adoptTimeZone(new icu::SimpleTimeZone(zone.offsetFromUtc(moment) * 1000, toUnicode(zone.id())));
    icu::UnicodeString text;
    format.format(UDate(moment.toMSecsSinceEpoch()), text);
    return fromUnicode(text);
}

QString formatShortTime(Date date, const QLocale& locale, const QTimeZone& zone)
{
    return shortTimeText(date.toDateTime().toTimeZone(zone).time(), locale);
}

} // namespace platform
