// The settings file on a disk that fills up: what it held before stays, and the failure is said once.
#include "platform/defaults/JsonFileUserDefaults.h"
#include "tests/support/FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::JsonFileUserDefaults;

namespace {

QStringList warnings;

void recordWarning(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtWarningMsg)
        warnings.append(message);
}

class FullDiskTest : public ::testing::Test
{
protected:
    FullDiskTest()
    {
        warnings.clear();
        m_previousHandler = qInstallMessageHandler(recordWarning);
    }
    ~FullDiskTest() override { qInstallMessageHandler(m_previousHandler); }

    QString path() const { return m_dir.filePath(QStringLiteral("defaults.json")); }

    QByteArray fileBytes() const
    {
        QFile file(path());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
    QtMessageHandler m_previousHandler = nullptr;
};

} // namespace

TEST_F(FullDiskTest, SavesThatCannotBeWrittenWholeLeaveTheFileAsItWasAndAreReportedOncePerSpell)
{
    JsonFileUserDefaults defaults(path());
    defaults.setBool(QStringLiteral("onboardingCompleted"), true);
    defaults.setString(QStringLiteral("deviceID"), QStringLiteral("3F2A"));
    defaults.setStringArray(QStringLiteral("selectedCalendarIDs"), { QStringLiteral("work/team") });

    // No byte written at all, and the new file cut off part way through; each a spell of its own.
    for (const bool partly : { false, true }) {
        defaults.setBool(QStringLiteral("partly"), partly);
        const QByteArray before = fileBytes();
        ASSERT_TRUE(before.contains("partly"));
        warnings.clear();
        {
            FileSizeLimit full(partly ? rlim_t(before.size()) : 0);
            defaults.setString(QStringLiteral("note"), QString(200, u'n'));
            defaults.setInteger(QStringLiteral("forwardDays"), 7);
            defaults.remove(QStringLiteral("forwardDays"));
        }
        EXPECT_EQ(fileBytes(), before) << partly;
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
