#pragma once

#include <QString>
#include <QStringView>
#include <optional>

namespace tolvar {

// Trimmed, lowercased, each run of whitespace one space: how titles compare across devices.
QString normalizedMeetingTitle(const QString& title);
// Replaces each run of whitespace with one space.
QString collapseWhitespace(QStringView text);
// Source title, U+001F, calendar title; absent when both are empty.
std::optional<QString> makeCalendarKey(
    const std::optional<QString>& sourceTitle, const std::optional<QString>& calendarTitle);
// Lowercase hexadecimal SHA-256 of the UTF-8 text; absent for absent or empty text.
std::optional<QString> sha256Hex(const std::optional<QString>& text);

} // namespace tolvar
