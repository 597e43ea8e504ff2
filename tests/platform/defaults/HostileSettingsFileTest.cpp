// What can stand at the settings file's path besides a file Tolvar wrote, and a disk that fills up: nothing may
// hold the start or lose what the file held.
#include "platform/defaults/JsonFileUserDefaults.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/Patience.h"
#include "tests/support/WithoutPrivileges.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using platform::JsonFileUserDefaults;

namespace {

QStringList warnings;

void recordWarning(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtWarningMsg)
        warnings.append(message);
}

qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * sysconf(_SC_PAGESIZE) : 0;
}

// Opens the settings on a thread of its own. Blocked for minutes or half a gigabyte further into memory, it
// would never have finished: that ends the test rather than the machine.
std::unique_ptr<JsonFileUserDefaults> openWithin(const QString& path)
{
    const qint64 before = residentBytes();
    auto opening = std::async(std::launch::async, [&] { return std::make_unique<JsonFileUserDefaults>(path); });
    const auto deadline = std::chrono::steady_clock::now() + testsupport::patience;
    while (opening.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready) {
        if (std::chrono::steady_clock::now() > deadline || residentBytes() - before > 512 * 1024 * 1024) {
            std::fprintf(stderr, "Opening the settings at %s blocked or grew without bound\n", qPrintable(path));
            std::_Exit(1);
        }
    }
    return opening.get();
}

class HostileSettingsFileTest : public ::testing::Test
{
protected:
    HostileSettingsFileTest()
    {
        warnings.clear();
        m_previousHandler = qInstallMessageHandler(recordWarning);
    }
    ~HostileSettingsFileTest() override { qInstallMessageHandler(m_previousHandler); }

    QString path() const { return m_dir.filePath(QStringLiteral("defaults.json")); }

    QByteArray bytesOf(const QString& file) const
    {
        QFile in(m_dir.filePath(file));
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

    void writeFile(const QString& file, const QByteArray& bytes) const
    {
        QFile out(m_dir.filePath(file));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        ASSERT_EQ(out.write(bytes), bytes.size());
    }

    QStringList filesBeside(const QString& pattern) const
    {
        return QDir(m_dir.path()).entryList({ pattern }, QDir::AllEntries | QDir::Hidden | QDir::System);
    }

    QTemporaryDir m_dir;
    QtMessageHandler m_previousHandler = nullptr;
};

// As an editor saving in Latin-1 leaves it, with a path another tool wrote in Latin-1.
const QByteArray latinOne = "{\n    \"onboardingCompleted\": true,\n    \"exportFolder\": \"/home/ren\xe9/notes\"\n}\n";

} // namespace

TEST_F(HostileSettingsFileTest, WhatIsNoRegularFileIsLeftAloneNeverWaitedOnAndNeverWritten)
{
    const auto fifoAt = [this](const QString& name) {
        ASSERT_EQ(mkfifo(QFile::encodeName(m_dir.filePath(name)).constData(), 0600), 0);
    };
    struct Hazard
    {
        std::function<void()> make;
        // Also put in the file's place after the start. Not a link to a device: written through, it would be gone.
        bool afterStart;
    };
    const std::map<QString, Hazard> hazards {
        { QStringLiteral("a FIFO"), { [&] { fifoAt(QStringLiteral("defaults.json")); }, true } },
        { QStringLiteral("a link to a FIFO"),
            { [&] {
                 fifoAt(QStringLiteral("pipe"));
                 ASSERT_TRUE(QFile::link(m_dir.filePath(QStringLiteral("pipe")), path()));
             },
                true } },
        { QStringLiteral("a link to /dev/zero"),
            { [&] { ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), path())); }, false } },
        { QStringLiteral("a file larger than any settings"),
            { [&] {
                 writeFile(QStringLiteral("defaults.json"), "{}");
                 ASSERT_TRUE(QFile::resize(path(), JsonFileUserDefaults::maximumFileSize + 1));
             },
                false } },
    };
    for (const bool afterStart : { false, true }) {
        for (const auto& [hazard, made] : hazards) {
            if (afterStart && !made.afterStart)
                continue;
            SCOPED_TRACE(qPrintable(hazard + (afterStart ? QStringLiteral(", after the start") : QString())));
            QDir(m_dir.path()).removeRecursively();
            QDir().mkpath(m_dir.path());
            if (afterStart)
                writeFile(QStringLiteral("defaults.json"), "{}");
            else
                made.make();
            warnings.clear();
            {
                const std::unique_ptr<JsonFileUserDefaults> defaults = openWithin(path());
                if (afterStart) {
                    ASSERT_TRUE(QFile::remove(path()));
                    made.make();
                }
                const QFileInfo before(path());
                EXPECT_TRUE(defaults->keys().isEmpty());
                defaults->setBool(QStringLiteral("fresh"), true);
                defaults->setBool(QStringLiteral("again"), true);
                EXPECT_TRUE(defaults->boolForKey(QStringLiteral("fresh")));
                EXPECT_EQ(warnings.size(), 1);
                EXPECT_TRUE(warnings.value(0).contains(path())) << qPrintable(warnings.value(0));
                const QFileInfo after(path());
                EXPECT_EQ(after.isSymLink(), before.isSymLink());
                EXPECT_EQ(after.isFile(), before.isFile());
                EXPECT_EQ(after.size(), before.size());
                EXPECT_EQ(after.lastModified(), before.lastModified());
                EXPECT_TRUE(filesBeside(QStringLiteral("defaults.json.*")).isEmpty());
                if (afterStart) {
                    // Once nothing stands in its place, what was set meanwhile is written too.
                    ASSERT_TRUE(QFile::remove(path()));
                    defaults->setBool(QStringLiteral("later"), true);
                }
            }
            if (afterStart) {
                const JsonFileUserDefaults written(path());
                EXPECT_TRUE(written.boolForKey(QStringLiteral("fresh")));
                EXPECT_TRUE(written.boolForKey(QStringLiteral("later")));
            }
        }
    }
}

TEST_F(HostileSettingsFileTest, WhatWasReadBeforeIsReadAsBefore)
{
    // A folder in the file's place is set aside, as a broken file is.
    ASSERT_TRUE(QDir().mkpath(path() + QStringLiteral("/inside")));
    {
        JsonFileUserDefaults defaults(path());
        defaults.setBool(QStringLiteral("fresh"), true);
    }
    const QStringList aside = filesBeside(QStringLiteral("defaults.json.broken-*"));
    ASSERT_EQ(aside.size(), 1);
    EXPECT_TRUE(QFileInfo(m_dir.filePath(aside.first() + QStringLiteral("/inside"))).isDir());
    EXPECT_TRUE(JsonFileUserDefaults(path()).boolForKey(QStringLiteral("fresh")));

    // A link to the real file, as a dotfiles folder keeps it, is read and written through.
    QFile::remove(path());
    writeFile(QStringLiteral("kept.json"), R"({"deviceID": "3F2A"})");
    ASSERT_TRUE(QFile::link(m_dir.filePath(QStringLiteral("kept.json")), path()));
    {
        JsonFileUserDefaults defaults(path());
        EXPECT_EQ(defaults.stringForKey(QStringLiteral("deviceID")), QStringLiteral("3F2A"));
        defaults.setBool(QStringLiteral("fresh"), true);
        // Pointed at another regular file while it runs, as a dotfiles tool relinks it: written through too.
        writeFile(QStringLiteral("moved.json"), "{}");
        ASSERT_TRUE(QFile::remove(path()));
        ASSERT_TRUE(QFile::link(m_dir.filePath(QStringLiteral("moved.json")), path()));
        defaults.setBool(QStringLiteral("moved"), true);
    }
    EXPECT_TRUE(QFileInfo(path()).isSymLink());
    EXPECT_TRUE(JsonFileUserDefaults(m_dir.filePath(QStringLiteral("kept.json"))).boolForKey("fresh"));
    EXPECT_TRUE(JsonFileUserDefaults(m_dir.filePath(QStringLiteral("moved.json"))).boolForKey("moved"));
}

TEST_F(HostileSettingsFileTest, BytesThatAreNotUtf8AreCopiedAsideOnceBeforeTheFirstSave)
{
    writeFile(QStringLiteral("defaults.json"), latinOne);
    // An older copy of another repair stays as it is.
    writeFile(QStringLiteral("defaults.json.before-utf8-repair"), "older");
    const QString copy = QStringLiteral("defaults.json.before-utf8-repair-2");
    {
        JsonFileUserDefaults defaults(path());
        EXPECT_EQ(defaults.stringForKey(QStringLiteral("exportFolder")), QStringLiteral("/home/ren\uFFFD/notes"));
        // Reading alone changes nothing.
        EXPECT_EQ(filesBeside(QStringLiteral("*repair*")).size(), 1);
        EXPECT_EQ(bytesOf(QStringLiteral("defaults.json")), latinOne);

        warnings.clear();
        defaults.setBool(QStringLiteral("fresh"), true);
        EXPECT_EQ(bytesOf(copy), latinOne);
        ASSERT_EQ(warnings.size(), 1);
        EXPECT_TRUE(warnings.first().contains(m_dir.filePath(copy))) << qPrintable(warnings.first());
        defaults.setBool(QStringLiteral("again"), true);
        EXPECT_EQ(warnings.size(), 1);
    }
    EXPECT_TRUE(QByteArrayView(bytesOf(QStringLiteral("defaults.json"))).isValidUtf8());
    {
        JsonFileUserDefaults reopened(path());
        EXPECT_TRUE(reopened.boolForKey(QStringLiteral("again")));
        reopened.setBool(QStringLiteral("later"), true);
    }
    EXPECT_EQ(filesBeside(QStringLiteral("*repair*")),
        (QStringList { QStringLiteral("defaults.json.before-utf8-repair"), copy }));
    EXPECT_EQ(bytesOf(QStringLiteral("defaults.json.before-utf8-repair")), "older");
    EXPECT_EQ(bytesOf(copy), latinOne);
}

TEST_F(HostileSettingsFileTest, WithoutRoomForTheCopyTheFileIsNotWrittenBackUntilThereIs)
{
    writeFile(QStringLiteral("defaults.json"), latinOne);
    JsonFileUserDefaults defaults(path());
    warnings.clear();
    {
        FileSizeLimit full(0);
        defaults.setBool(QStringLiteral("fresh"), true);
        defaults.setBool(QStringLiteral("again"), true);
    }
    EXPECT_EQ(bytesOf(QStringLiteral("defaults.json")), latinOne);
    EXPECT_TRUE(filesBeside(QStringLiteral("*repair*")).isEmpty());
    EXPECT_EQ(warnings.size(), 1);

    defaults.setBool(QStringLiteral("later"), true);
    EXPECT_EQ(bytesOf(QStringLiteral("defaults.json.before-utf8-repair")), latinOne);
    JsonFileUserDefaults reopened(path());
    EXPECT_TRUE(reopened.boolForKey(QStringLiteral("fresh")));
    EXPECT_TRUE(reopened.boolForKey(QStringLiteral("later")));
}

TEST_F(HostileSettingsFileTest, AFileThatCannotBeWrittenBackIsCopiedOnceOverManyStarts)
{
    // As a link into a read-only mount leaves it: the copy can be made beside the link, the file never written.
    ASSERT_TRUE(QDir().mkpath(m_dir.filePath(QStringLiteral("mount"))));
    writeFile(QStringLiteral("mount/defaults.json"), latinOne);
    ASSERT_TRUE(QFile::link(m_dir.filePath(QStringLiteral("mount/defaults.json")), path()));
    ASSERT_TRUE(QFile::setPermissions(m_dir.path(),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::WriteOther
            | QFile::ExeOther));
    ASSERT_TRUE(QFile::setPermissions(m_dir.filePath(QStringLiteral("mount")),
        QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
    ASSERT_TRUE(QFile::setPermissions(
        m_dir.filePath(QStringLiteral("mount/defaults.json")), QFile::ReadOwner | QFile::ReadOther));
    EXPECT_TRUE(holdsWithoutPrivileges([this] {
        for (int start = 0; start < 3; ++start)
            JsonFileUserDefaults(path()).setBool(QStringLiteral("fresh"), true);
        return true;
    }));
    EXPECT_EQ(filesBeside(QStringLiteral("*repair*")), QStringList { "defaults.json.before-utf8-repair" });
    EXPECT_EQ(bytesOf(QStringLiteral("defaults.json.before-utf8-repair")), latinOne);
    EXPECT_EQ(bytesOf(QStringLiteral("mount/defaults.json")), latinOne);
}

TEST_F(HostileSettingsFileTest, AFullDiskLeavesTheFileAsItWasAndIsReportedOncePerSpell)
{
    JsonFileUserDefaults defaults(path());
    defaults.setBool(QStringLiteral("onboardingCompleted"), true);
    defaults.setString(QStringLiteral("deviceID"), QStringLiteral("3F2A"));
    defaults.setStringArray(QStringLiteral("selectedCalendarIDs"), { QStringLiteral("work/team") });

    // No byte written at all, and the new file cut off part way through; each a spell of its own.
    for (const bool partly : { false, true }) {
        defaults.setBool(QStringLiteral("partly"), partly);
        const QByteArray before = bytesOf(QStringLiteral("defaults.json"));
        ASSERT_TRUE(before.contains("partly"));
        warnings.clear();
        {
            FileSizeLimit full(partly ? rlim_t(before.size()) : 0);
            defaults.setString(QStringLiteral("note"), QString(200, u'n'));
            defaults.setInteger(QStringLiteral("forwardDays"), 7);
            defaults.remove(QStringLiteral("forwardDays"));
        }
        EXPECT_EQ(bytesOf(QStringLiteral("defaults.json")), before) << partly;
        EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { "defaults.json" });
        ASSERT_EQ(warnings.size(), 1) << partly;
        EXPECT_TRUE(warnings.first().contains(path())) << qPrintable(warnings.first());
        // Still running on what was set meanwhile.
        EXPECT_EQ(defaults.stringForKey(QStringLiteral("note")), QString(200, u'n'));
    }

    // Once there is room, the next save writes everything held, and says nothing.
    warnings.clear();
    defaults.setBool(QStringLiteral("fresh"), true);
    EXPECT_TRUE(warnings.isEmpty());
    JsonFileUserDefaults reopened(path());
    EXPECT_TRUE(reopened.boolForKey(QStringLiteral("onboardingCompleted")));
    EXPECT_EQ(reopened.stringForKey(QStringLiteral("deviceID")), QStringLiteral("3F2A"));
    EXPECT_EQ(reopened.stringForKey(QStringLiteral("note")), QString(200, u'n'));
    EXPECT_TRUE(reopened.boolForKey(QStringLiteral("fresh")));
}
