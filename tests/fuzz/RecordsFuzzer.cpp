// Decodes a stored array of each kind of record: whatever the data, no record that decodes is lost by writing
// it, and what is written reads back as the same records and bytes.
#include "FuzzSupport.h"
#include "tolvar/model/CalendarRule.h"
#include "tolvar/model/MeetingSnapshot.h"
#include "tolvar/model/PendingActionItemMeeting.h"
#include "tolvar/model/RecordJson.h"
#include "tolvar/model/ReminderState.h"

using namespace tolvar;

namespace {

template <typename Record> void roundTrip(const QByteArray& data)
{
    const std::optional<QList<Record>> decoded = decodeRecordArray<Record>(data);
    if (!decoded)
        return;
    // Writing may normalise a record once (a link's escapes); from then on it reads back as written.
    const QByteArray encoded = encodeRecordArray(*decoded);
    const std::optional<QList<Record>> again = decodeRecordArray<Record>(encoded);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(again->size() == decoded->size());
    FUZZ_CHECK(encodeRecordArray(*again) == encoded);
    FUZZ_CHECK(decodeRecordArray<Record>(encodeRecordArray(*again)) == again);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    roundTrip<MeetingSnapshot>(bytes);
    roundTrip<ReminderState>(bytes);
    roundTrip<CalendarRule>(bytes);
    roundTrip<PendingActionItemMeeting>(bytes);
    return 0;
}
