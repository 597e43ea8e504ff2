#include "platform/defaults/UserDefaults.h"

#include <cmath>

namespace platform {

bool UserDefaults::boolForKey(const QString& key) const
{
    const std::optional<Value> stored = value(key);
    if (!stored)
        return false;
    if (const auto* flag = std::get_if<bool>(&*stored))
        return *flag;
    if (const auto* integer = std::get_if<qint64>(&*stored))
        return *integer != 0;
    if (const auto* number = std::get_if<double>(&*stored))
        return *number != 0;
    if (const auto* text = std::get_if<QString>(&*stored)) {
        return text->compare(QLatin1String("true"), Qt::CaseInsensitive) == 0
            || text->compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0 || *text == QLatin1String("1");
    }
    return false;
}

qint64 UserDefaults::integerForKey(const QString& key) const
{
    const std::optional<Value> stored = value(key);
    if (!stored)
        return 0;
    if (const auto* integer = std::get_if<qint64>(&*stored))
        return *integer;
    if (const auto* number = std::get_if<double>(&*stored)) {
        // Only whole numbers that fit; the cast of anything else would be undefined.
        const bool fits = *number >= -0x1p63 && *number < 0x1p63;
        if (fits && std::trunc(*number) == *number)
            return qint64(*number);
    }
    return 0;
}

double UserDefaults::doubleForKey(const QString& key) const
{
    const std::optional<Value> stored = value(key);
    if (!stored)
        return 0;
    if (const auto* integer = std::get_if<qint64>(&*stored))
        return double(*integer);
    if (const auto* number = std::get_if<double>(&*stored))
        return *number;
    if (const auto* text = std::get_if<QString>(&*stored)) {
        bool ok = false;
        const double parsed = text->toDouble(&ok);
        // "inf" and "nan" parse, but no setting holds a number that is not finite.
        if (ok && std::isfinite(parsed))
            return parsed;
    }
    return 0;
}

std::optional<QString> UserDefaults::stringForKey(const QString& key) const
{
    const std::optional<Value> stored = value(key);
    if (stored && std::holds_alternative<QString>(*stored))
        return std::get<QString>(*stored);
    return std::nullopt;
}

std::optional<QStringList> UserDefaults::stringArrayForKey(const QString& key) const
{
    const std::optional<Value> stored = value(key);
    if (stored && std::holds_alternative<QStringList>(*stored))
        return std::get<QStringList>(*stored);
    return std::nullopt;
}

std::optional<QByteArray> UserDefaults::dataForKey(const QString& key) const
{
    const std::optional<Value> stored = value(key);
    if (stored && std::holds_alternative<QByteArray>(*stored))
        return std::get<QByteArray>(*stored);
    return std::nullopt;
}

} // namespace platform
