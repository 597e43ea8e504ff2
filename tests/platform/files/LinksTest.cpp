// A symbolic link where a file is read or written: followed for the user's own files, never in a folder others
// write.
#include "platform/files/RegularFile.h"
#include "platform/files/WholeFileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::RegularFile;
using platform::WholeFileWriter;

namespace {

class LinksTest : public ::testing::Test
{
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    void writeFile(const QString& name, const QByteArray& bytes) const
    {
        QFile out(path(name));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        ASSERT_EQ(out.write(bytes), bytes.size());
    }

    QByteArray bytesOf(const QString& name) const
    {
        QFile in(path(name));
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("(none)");
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(LinksTest, AWriteGoesThroughALinkOnlyWhereLinksAreWrittenThrough)
{
    using Links = WholeFileWriter::Links;
    struct Case
    {
        const char* name;
        Links links;
        bool targetExists;
    };
    for (const Case& test : { Case { "through, to a file", Links::WrittenThrough, true },
             Case { "replaced, to a file", Links::Replaced, true },
             Case { "replaced, to no file yet", Links::Replaced, false } }) {
        SCOPED_TRACE(test.name);
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(path(QStringLiteral("elsewhere")));
        if (test.targetExists)
            writeFile(QStringLiteral("elsewhere/settings"), "theirs");
        ASSERT_TRUE(QFile::link(path(QStringLiteral("elsewhere/settings")), path(QStringLiteral("file"))));

        EXPECT_EQ(WholeFileWriter::writeFile(path(QStringLiteral("file")), "ours", test.links), std::nullopt);

        EXPECT_EQ(bytesOf(QStringLiteral("file")), "ours");
        const bool through = test.links == Links::WrittenThrough;
        EXPECT_EQ(QFileInfo(path(QStringLiteral("file"))).isSymLink(), through);
        EXPECT_EQ(bytesOf(QStringLiteral("elsewhere/settings")),
            through                 ? "ours"
                : test.targetExists ? "theirs"
                                    : "(none)");
        EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("file") });
    }
}

TEST_F(LinksTest, AReplacedFileIsMadeAsAWrittenThroughOneIs)
{
    // A new file gets what the umask allows, an existing one keeps its permissions.
    for (const auto links : { WholeFileWriter::Links::WrittenThrough, WholeFileWriter::Links::Replaced }) {
        const QString name = QStringLiteral("new-%1").arg(int(links));
        ASSERT_EQ(WholeFileWriter::writeFile(path(name), "one", links), std::nullopt);
        EXPECT_EQ(QFile::permissions(path(name)), QFile::permissions(path(QStringLiteral("new-0"))));

        const QString kept = QStringLiteral("kept-%1").arg(int(links));
        writeFile(kept, "before");
        ASSERT_TRUE(QFile::setPermissions(path(kept), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        const QFile::Permissions before = QFile::permissions(path(kept));
        ASSERT_EQ(WholeFileWriter::writeFile(path(kept), "after", links), std::nullopt);
        EXPECT_EQ(bytesOf(kept), "after");
        EXPECT_EQ(QFile::permissions(path(kept)), before);
    }
    // A folder in the way is a failure, and no stray file is left.
    QDir().mkpath(path(QStringLiteral("folder")));
    EXPECT_NE(WholeFileWriter::writeFile(path(QStringLiteral("folder")), "x", WholeFileWriter::Links::Replaced),
        std::nullopt);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 5);
}

TEST_F(LinksTest, ALinkIsReadOnlyWhereLinksAreFollowed)
{
    writeFile(QStringLiteral("target"), "theirs");
    ASSERT_TRUE(QFile::link(path(QStringLiteral("target")), path(QStringLiteral("link"))));
    EXPECT_EQ(RegularFile::read(path(QStringLiteral("link")), 100), QByteArray("theirs"));
    EXPECT_EQ(RegularFile::read(path(QStringLiteral("link")), 100, RegularFile::Links::Refused), std::nullopt);
    EXPECT_EQ(
        RegularFile::read(path(QStringLiteral("target")), 100, RegularFile::Links::Refused), QByteArray("theirs"));
    // The identity of what is there, the link, so that a later change to it is seen.
    const RegularFile refused(path(QStringLiteral("link")), RegularFile::Links::Refused);
    EXPECT_FALSE(refused.isOpen());
    EXPECT_NE(refused.identity().inode, RegularFile(path(QStringLiteral("target"))).identity().inode);
}
