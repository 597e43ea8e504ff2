#pragma once

#include "platform/time/Date.h"
#include "tolvar/model/MeetingAttendee.h"
#include "tolvar/model/MeetingKind.h"

#include <QList>
#include <QString>
#include <QUrl>
#include <nlohmann/json_fwd.hpp>
#include <optional>

namespace tolvar {

// One calendar event or due task, as the application keeps and syncs it.
struct MeetingSnapshot
{
    // The stable meeting id; the record's identity.
    QString id;
    // Empty when unknown.
    QString sourceDeviceID;
    std::optional<QString> calendarExternalIdentifier;
    std::optional<QString> calendarTitle;
    std::optional<QString> calendarSourceTitle;
    QString title;
    platform::Date startDate;
    platform::Date endDate;
    // The start the series gave this occurrence before any move; absent for a single event. Tells
    // apart occurrences of one series on one day.
    std::optional<platform::Date> originalStartDate;
    // The physical-location text, not the raw calendar location.
    std::optional<QString> location;
    std::optional<QString> notesHash;
    std::optional<QUrl> joinURL;
    // The same on every device.
    std::optional<QString> eventExternalIdentifier;
    // Local to this device.
    std::optional<QString> calendarItemIdentifier;
    platform::Date lastSeenAt;
    bool isTask = false;
    QList<MeetingAttendee> attendees;
    std::optional<QString> organizerName;
    std::optional<QString> recurrenceLabel;

    // Keys reminder states on every device, so it must be computed the same way everywhere.
    static QString makeStableID(const QString& title, platform::Date startDate, platform::Date endDate,
        const std::optional<QUrl>& joinURL, const std::optional<QString>& eventExternalIdentifier);
    // Prefers a Zoom, then a Google Meet, then a Teams link over the first web link found.
    static std::optional<QUrl> detectJoinURL(
        const std::optional<QUrl>& url, const std::optional<QString>& location, const std::optional<QString>& notes);
    static std::optional<QUrl> mapSearchURL(const QString& location);

    // Records of one event read on two devices share this key even when their ids differ; each
    // occurrence of a series has its own.
    QString mergeKey() const;
    MeetingKind kind() const;
    // "Calendar · Account", either alone, or absent.
    std::optional<QString> calendarDisplayName() const;

    nlohmann::json toJson() const;
    static std::optional<MeetingSnapshot> fromJson(const nlohmann::json& json, QString* error = nullptr);

    bool operator==(const MeetingSnapshot&) const = default;
};

size_t qHash(const MeetingSnapshot& snapshot, size_t seed = 0);

// Stable: meetings that start together keep their order.
QList<MeetingSnapshot> sortedByStart(QList<MeetingSnapshot> meetings);

} // namespace tolvar
