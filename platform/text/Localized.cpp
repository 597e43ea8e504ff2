#include "platform/text/Localized.h"

#include <QCoreApplication>

namespace platform {

QString localized(const char* english)
{
    return QCoreApplication::translate("Tolvar", english);
}

QString localizedFormat(const char* englishFormat, const QStringList& arguments)
{
    const QString format = localized(englishFormat);
    QString result;
    result.reserve(format.size());
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] != u'%' || i + 1 >= format.size()) {
            result += format[i];
            continue;
        }
        const QStringView rest = QStringView(format).mid(i + 1);
        qsizetype length = 0;
        if (rest.startsWith(u'%')) {
            result += u'%';
            ++i;
            continue;
        }
        for (const QStringView spec : { u"@", u"d", u"ld", u"lld", u"02d" }) {
            if (rest.startsWith(spec))
                length = std::max(length, spec.size());
        }
        if (length == 0) {
            result += format[i];
            continue;
        }
        const QString argument = next < arguments.size() ? arguments[next] : QString();
        result += rest.startsWith(u"02d") ? argument.rightJustified(2, u'0') : argument;
        ++next;
        i += length;
    }
    return result;
}

} // namespace platform
