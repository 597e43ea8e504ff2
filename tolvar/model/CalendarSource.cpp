#include "tolvar/model/CalendarSource.h"

#include "tolvar/model/RecordHash.h"

namespace tolvar {

QString CalendarSource::displayName() const
{
    return sourceTitle.isEmpty() ? title : title + QStringLiteral(" - ") + sourceTitle;
}

size_t qHash(const CalendarSource& source, size_t seed)
{
    return RecordHash(seed).add(source.id).add(source.title).add(source.sourceTitle).value();
}

} // namespace tolvar
