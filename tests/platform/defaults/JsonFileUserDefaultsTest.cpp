#include "platform/defaults/JsonFileUserDefaults.h"
#include "tests/support/Patience.h"
#include "tests/support/WithoutPrivileges.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::JsonFileUserDefaults;
using Value = platform::UserDefaults::Value;

namespace {

class JsonFileUserDefaultsTest : public ::testing::Test
{
protected:
    QString path() const { return m_dir.filePath(QStringLiteral("tolvar/defaults.json")); }

    void writeFile(const QByteArray& bytes) const
    {
        QDir().mkpath(m_dir.filePath(QStringLiteral("tolvar")));
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray readFile(const QString& filePath) const
    {
        QFile file(filePath);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    nlohmann::json fileJson() const
    {
        const QByteArray bytes = readFile(path());
        return nlohmann::json::parse(bytes.begin(), bytes.end(), nullptr, false);
    }

    QStringList setAsideFiles() const
    {
        return QDir(m_dir.filePath(QStringLiteral("tolvar"))).entryList({ QStringLiteral("defaults.json.broken-*") });
    }

    // The writer's file holds its first value and one complete payload (see DefaultsWriter.cpp).
    ::testing::AssertionResult holdsAWholeWrite() const
    {
        const nlohmann::json json = fileJson();
        if (!json.is_object() || json.value("fixed", "") != "kept")
            return ::testing::AssertionFailure()
                << "not the writer's object: " << readFile(path()).left(80).constData();
        if (!json.contains("payload"))
            return ::testing::AssertionSuccess();
        const QString payload = QString::fromStdString(json.value("payload", ""));
        const qsizetype colon = payload.indexOf(u':');
        const qint64 n = payload.left(colon).toLongLong();
        if (colon <= 0 || payload.mid(colon + 1) != QString(100'000, QChar(char16_t(u'a' + n % 26))))
            return ::testing::AssertionFailure() << "payload of two writes";
        return ::testing::AssertionSuccess();
    }

    // The state /proc gives the process once it stopped, or the last one seen when it did not stop in time.
    static char stateOnceStopped(pid_t pid)
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        char state = '?';
        // A loaded machine can take seconds to stop a process.
        QDeadlineTimer deadline(testsupport::patienceMs);
        while (state != 'T' && !deadline.hasExpired()) {
            if (!stat.open(QIODevice::ReadOnly))
                return state;
            const QByteArray line = stat.readAll();
            stat.close();
            const qsizetype end = line.lastIndexOf(')');
            if (end >= 0 && end + 2 < line.size())
                state = line.at(end + 2);
            QThread::usleep(100);
        }
        return state;
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(JsonFileUserDefaultsTest, EveryTypeSurvivesARestart)
{
    const std::map<QString, Value> values {
        { QStringLiteral("flag"), true },
        { QStringLiteral("integer"), std::numeric_limits<qint64>::min() },
        { QStringLiteral("whole"), 3.0 },
        { QStringLiteral("double"), -0.1 },
        { QStringLiteral("text"), QStringLiteral("Grüße \"quoted\"\n") },
        { QStringLiteral("list"), QStringList { QStringLiteral("z"), QString(), QStringLiteral("a") } },
        { QStringLiteral("emptyList"), QStringList() },
        { QStringLiteral("data"), QByteArray("\0\xff[]", 4) },
        { QStringLiteral("emptyData"), QByteArray() },
    };
    {
        JsonFileUserDefaults defaults(path());
        for (const auto& [key, value] : values)
            defaults.setValue(key, value);
    }
    JsonFileUserDefaults reopened(path());
    for (const auto& [key, value] : values)
        EXPECT_EQ(reopened.value(key), value) << qPrintable(key);
    EXPECT_EQ(reopened.keys().size(), int(values.size()));
}

TEST_F(JsonFileUserDefaultsTest, FileKeepsIntegersAndDoublesApartAndDataAsBase64)
{
    {
        JsonFileUserDefaults defaults(path());
        defaults.setInteger(QStringLiteral("integer"), 3);
        defaults.setDouble(QStringLiteral("double"), 3.0);
        defaults.setData(QStringLiteral("data"), QByteArray("hi"));
        defaults.setStringArray(QStringLiteral("list"), { QStringLiteral("x") });
    }
    const nlohmann::json json = fileJson();
    ASSERT_TRUE(json.is_object());
    EXPECT_TRUE(json.at("integer").is_number_integer());
    EXPECT_TRUE(json.at("double").is_number_float());
    EXPECT_EQ(json.at("data"), nlohmann::json({ { "data", "aGk=" } }));
    EXPECT_EQ(json.at("list"), nlohmann::json::array({ "x" }));

    JsonFileUserDefaults reopened(path());
    EXPECT_TRUE(std::holds_alternative<qint64>(*reopened.value(QStringLiteral("integer"))));
    EXPECT_TRUE(std::holds_alternative<double>(*reopened.value(QStringLiteral("double"))));
}

TEST_F(JsonFileUserDefaultsTest, RemoveIsWrittenAndEveryChangeSignalled)
{
    JsonFileUserDefaults defaults(path());
    QSignalSpy changed(&defaults, &platform::UserDefaults::changed);
    defaults.setBool(QStringLiteral("a"), true);
    defaults.setBool(QStringLiteral("b"), false);
    defaults.remove(QStringLiteral("a"));
    defaults.remove(QStringLiteral("absent"));
    EXPECT_EQ(changed.size(), 3);
    EXPECT_FALSE(fileJson().contains("a"));
    EXPECT_EQ(JsonFileUserDefaults(path()).keys(), QStringList { QStringLiteral("b") });
}

TEST_F(JsonFileUserDefaultsTest, ValuesOfUnknownShapeReadAsAbsentAndAreKeptOnRewrite)
{
    const nlohmann::json foreign = {
        { "object", { { "a", { 1, { { "b", nullptr } } } } } },
        { "mixedList", { 1, "x" } },
        { "badData", { { "data", "!!not base64!!" } } },
        { "dataAndMore", { { "data", "aGk=" }, { "more", 1 } } },
        { "null", nullptr },
        { "huge", std::numeric_limits<quint64>::max() },
    };
    writeFile(QByteArray::fromStdString(foreign.dump()));
    JsonFileUserDefaults defaults(path());
    for (const auto& [key, json] : foreign.items())
        EXPECT_EQ(defaults.value(QString::fromStdString(key)), std::nullopt) << key;
    EXPECT_TRUE(defaults.keys().isEmpty());

    defaults.setString(QStringLiteral("new"), QStringLiteral("value"));
    nlohmann::json expected = foreign;
    expected["new"] = "value";
    EXPECT_EQ(fileJson(), expected);
    EXPECT_TRUE(setAsideFiles().isEmpty());
}

TEST_F(JsonFileUserDefaultsTest, BrokenFileIsKeptAsideAndReadsAsEmpty)
{
    const QByteArray deeplyNested = QByteArray(100'000, '[') + QByteArray(100'000, ']');
    for (const QByteArray& broken : { QByteArray("{\"a\": tru"), QByteArray("[1, 2]"), QByteArray("\"text\""),
             QByteArray(), QByteArray("{\"a\": 1} trailing"), deeplyNested }) {
        QDir(m_dir.filePath(QStringLiteral("tolvar"))).removeRecursively();
        writeFile(broken);
        JsonFileUserDefaults defaults(path());
        EXPECT_TRUE(defaults.keys().isEmpty());
        const QStringList aside = setAsideFiles();
        ASSERT_EQ(aside.size(), 1) << broken.left(20).constData();
        const QString asidePath = m_dir.filePath(QStringLiteral("tolvar/") + aside.first());
        EXPECT_EQ(readFile(asidePath), broken);

        defaults.setBool(QStringLiteral("fresh"), true);
        EXPECT_TRUE(JsonFileUserDefaults(path()).boolForKey(QStringLiteral("fresh")));
        EXPECT_EQ(readFile(asidePath), broken);
    }
}

int warningsSeen = 0;

TEST_F(JsonFileUserDefaultsTest, FileWithoutReadPermissionIsLeftAloneAndNeverWritten)
{
    const QByteArray kept = R"({"kept": true})";
    writeFile(kept);
    const QFileDevice::Permissions open = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
        | QFileDevice::ReadOther | QFileDevice::ExeOther;
    // The folder is open to everyone, so that only the file's own permission keeps the program out.
    ASSERT_TRUE(QFile::setPermissions(m_dir.path(), open));
    ASSERT_TRUE(QFile::setPermissions(m_dir.filePath(QStringLiteral("tolvar")),
        open | QFileDevice::WriteOther | QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup));
    ASSERT_TRUE(QFile::setPermissions(path(), QFileDevice::WriteOwner));

    EXPECT_TRUE(holdsWithoutPrivileges([this] {
        warningsSeen = 0;
        const QtMessageHandler previous
            = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString&) {
                  warningsSeen += type == QtWarningMsg ? 1 : 0;
              });
        JsonFileUserDefaults defaults(path());
        const bool empty = defaults.keys().isEmpty();
        defaults.setBool(QStringLiteral("fresh"), true);
        defaults.setBool(QStringLiteral("again"), false);
        // Running on what was set, and said once.
        const bool running = defaults.boolForKey(QStringLiteral("fresh"));
        qInstallMessageHandler(previous);
        return empty && running && warningsSeen == 1;
    }));
    ASSERT_TRUE(QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    EXPECT_EQ(readFile(path()), kept);
    EXPECT_TRUE(setAsideFiles().isEmpty());
}

TEST_F(JsonFileUserDefaultsTest, SecondBrokenFileDoesNotReplaceTheFirstOneSetAside)
{
    // Both broken files carry the same time, which names the copy set aside.
    for (const QByteArray& broken : { QByteArray("first broken"), QByteArray("second broken") }) {
        writeFile(broken);
        QFile file(path());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.setFileTime(QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC), QFileDevice::FileModificationTime);
        file.close();
        JsonFileUserDefaults { path() };
    }
    QStringList contents;
    for (const QString& name : setAsideFiles())
        contents.append(QString::fromLatin1(readFile(m_dir.filePath(QStringLiteral("tolvar/") + name))));
    contents.sort();
    EXPECT_EQ(contents, (QStringList { QStringLiteral("first broken"), QStringLiteral("second broken") }));
}

TEST_F(JsonFileUserDefaultsTest, DoubleWithoutJsonFormIsRefused)
{
    JsonFileUserDefaults defaults(path());
    defaults.setDouble(QStringLiteral("lead"), 10.0);
    defaults.setDouble(QStringLiteral("lead"), std::numeric_limits<double>::infinity());
    defaults.setDouble(QStringLiteral("lead"), std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(JsonFileUserDefaults(path()).value(QStringLiteral("lead")), Value(10.0));
}

namespace {
QStringList warnings;
void recordWarning(QtMsgType, const QMessageLogContext&, const QString& message)
{
    warnings.append(message);
}
} // namespace

TEST_F(JsonFileUserDefaultsTest, BrokenFileIsReportedWithLineAndColumn)
{
    const std::pair<QByteArray, QString> cases[] = {
        { "{\n  \"onboardingCompleted\": true,\n  \"reminderLeadSeconds\": 30,\n}\n", "line 4, column 1" },
        { "{\n \"a\": tru", "line 2, column 10" },
        { "", "line 1, column 1" },
        { "[1, 2]", "no JSON object" },
    };
    for (const auto& [broken, where] : cases) {
        writeFile(broken);
        warnings.clear();
        const QtMessageHandler previous = qInstallMessageHandler(recordWarning);
        JsonFileUserDefaults { path() };
        qInstallMessageHandler(previous);
        ASSERT_FALSE(warnings.isEmpty());
        EXPECT_TRUE(warnings.first().contains(path())) << warnings.first().toStdString();
        EXPECT_TRUE(warnings.first().contains(where)) << warnings.first().toStdString();
    }
}

TEST_F(JsonFileUserDefaultsTest, LatinOneByteCostsOneStringNotTheSettings)
{
    // As an editor saving in Latin-1 leaves it: one byte 0xE9 where UTF-8 has two.
    const QByteArray file = "{\n    \"onboardingCompleted\": true,\n    \"deviceID\": \"3F2A\",\n"
                            "    \"selectedCalendarIDs\": [\n        \"work/team\"\n    ],\n"
                            "    \"note\": \"caf\xe9 at noon\"\n}\n";
    writeFile(file);
    warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(recordWarning);
    {
        JsonFileUserDefaults defaults(path());
        EXPECT_TRUE(defaults.boolForKey(QStringLiteral("onboardingCompleted")));
        EXPECT_EQ(defaults.stringForKey(QStringLiteral("deviceID")), QStringLiteral("3F2A"));
        EXPECT_EQ(defaults.stringArrayForKey(QStringLiteral("selectedCalendarIDs")),
            QStringList { QStringLiteral("work/team") });
        EXPECT_EQ(defaults.stringForKey(QStringLiteral("note")), QStringLiteral("caf\uFFFD at noon"));
        EXPECT_TRUE(setAsideFiles().isEmpty());
        defaults.setBool(QStringLiteral("fresh"), true);
    }
    qInstallMessageHandler(previous);
    // What was read, then the copy kept before it was written back.
    ASSERT_EQ(warnings.size(), 2);
    EXPECT_TRUE(warnings.first().contains(path())) << warnings.first().toStdString();

    // Written back as UTF-8, with everything it held.
    const QByteArray rewritten = readFile(path());
    EXPECT_TRUE(QByteArrayView(rewritten).isValidUtf8());
    JsonFileUserDefaults reopened(path());
    EXPECT_EQ(reopened.stringForKey(QStringLiteral("deviceID")), QStringLiteral("3F2A"));
    EXPECT_EQ(reopened.stringForKey(QStringLiteral("note")), QStringLiteral("caf\uFFFD at noon"));
    EXPECT_TRUE(reopened.boolForKey(QStringLiteral("fresh")));
    EXPECT_TRUE(setAsideFiles().isEmpty());
}

TEST_F(JsonFileUserDefaultsTest, StandardFileFollowsXdgConfigHome)
{
    EXPECT_EQ(
        JsonFileUserDefaults::standardFilePath(), qEnvironmentVariable("XDG_CONFIG_HOME") + "/tolvar/defaults.json");
}

TEST_F(JsonFileUserDefaultsTest, KillDuringWriteLeavesAWholeFile)
{
    QProcess writer;
    writer.start(QStringLiteral(TOLVAR_DEFAULTS_WRITER), { path() });
    ASSERT_TRUE(writer.waitForReadyRead(testsupport::patienceMs));
    const pid_t pid = pid_t(writer.processId());

    // The file as a pause finds it is what a kill at that moment would leave; hundreds of pauses at
    // random moments land inside writes far more often than a few kills would.
    for (int pause = 0; pause < 200; ++pause) {
        QThread::usleep(QRandomGenerator::global()->bounded(2000));
        ASSERT_EQ(::kill(pid, SIGSTOP), 0);
        ASSERT_EQ(stateOnceStopped(pid), 'T') << "pause " << pause;
        ASSERT_TRUE(holdsAWholeWrite()) << "pause " << pause;
        ASSERT_EQ(::kill(pid, SIGCONT), 0);
    }
    writer.kill();
    ASSERT_TRUE(writer.waitForFinished(testsupport::patienceMs));
    ASSERT_TRUE(holdsAWholeWrite());
    EXPECT_EQ(JsonFileUserDefaults(path()).stringForKey(QStringLiteral("fixed")), QStringLiteral("kept"));
    EXPECT_TRUE(setAsideFiles().isEmpty());
}
