#pragma once

#include "tolvar/model/PermissionState.h"

#include <QString>

namespace tolvar {

// Texts and colours that several settings sections and the onboarding share.
namespace settingsTexts {

QString calendarAccessStatusText(PermissionState state);
QString remindersAccessStatusText(PermissionState state);
QString calendarAccessMessage(PermissionState state);
QString remindersAccessMessage(PermissionState state);

// The hour alone, in the user's short time style ("9:00 AM", "09:00").
QString hourLabel(int hour);

} // namespace settingsTexts

} // namespace tolvar
