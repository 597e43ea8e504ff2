// Reads the shared folder's device files, as other machines may have left them, and merges the meeting records
// they hold with this machine's: whatever the files hold, the merge gives records sorted by start, each merge
// key once, none of them over.
#include "FuzzSupport.h"
#include "platform/cloud/FolderKeyValueStore.h"
#include "platform/cloud/TestCloudAccount.h"
#include "platform/time/TestClock.h"
#include "tolvar/model/CloudSyncService.h"
#include "tolvar/model/RecordJson.h"

#include <QDir>
#include <QSet>

using namespace tolvar;

namespace {

void checkMerged(const QList<MeetingSnapshot>& merged, platform::Date now)
{
    QSet<QString> keys;
    for (qsizetype i = 0; i < merged.size(); ++i) {
        FUZZ_CHECK(i == 0 || !(merged.at(i).startDate < merged.at(i - 1).startDate));
        FUZZ_CHECK(!(merged.at(i).endDate < now));
        FUZZ_CHECK(!keys.contains(merged.at(i).mergeKey()));
        keys.insert(merged.at(i).mergeKey());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::application();
    fuzz::silenceMessages();
    const QDir dir = fuzz::emptyFolder(QStringLiteral("cloud"));
    // The input holds this machine's file and up to three others', one after another.
    const QList<QByteArray> files = QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\f');
    const char* devices[] = { "self", "laptop", "phone", "tablet" };
    for (qsizetype i = 0; i < std::min<qsizetype>(files.size(), 4); ++i)
        fuzz::writeFile(dir.filePath(QLatin1String(devices[i]) + QStringLiteral(".json")), files.at(i));

    platform::TestClock clock(platform::Date::fromSecondsSince1970(1'790'000'000));
    platform::TestCloudAccount account;
    platform::FolderKeyValueStore store(dir.path(), QStringLiteral("self"), clock);
    CloudSyncService service(store, account, clock);
    QCoro::waitFor(store.synchronizeAndWait());

    QList<MeetingSnapshot> stored;
    if (const std::optional<QByteArray> bytes = store.data(QLatin1String(CloudKey::meetingSnapshots)))
        stored = decodeRecordArray<MeetingSnapshot>(*bytes).value_or(QList<MeetingSnapshot>());
    checkMerged(service.mergeSnapshots(stored), clock.now());

    // This machine's own records, as a refresh would hand them over, merged with every other machine's.
    QList<MeetingSnapshot> local;
    for (const MeetingSnapshot& snapshot : std::as_const(stored)) {
        if (snapshot.sourceDeviceID == QStringLiteral("self"))
            local.append(snapshot);
    }
    const CloudResult<QList<MeetingSnapshot>> synced
        = QCoro::waitFor(service.syncMeetingSnapshots(local, QStringLiteral("self")));
    checkMerged(synced.value, clock.now());
    return 0;
}
