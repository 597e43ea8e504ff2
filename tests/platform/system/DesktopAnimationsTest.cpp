#include "platform/system/DesktopAnimations.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::DesktopAnimations;

namespace {

class DesktopAnimationsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* name : { "PATH", "XDG_CURRENT_DESKTOP", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS" })
            saved.append({ name, qgetenv(name) });
        qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
        qputenv("XDG_CONFIG_DIRS", dir.filePath("system").toUtf8());
        // Only the stand-in gsettings below is found, never the machine's own.
        qputenv("PATH", dir.filePath("bin").toUtf8());
        qunsetenv("XDG_CURRENT_DESKTOP");
    }
    void TearDown() override
    {
        for (const auto& [name, value] : saved)
            qputenv(name, value);
    }

    QString write(const QString& name, const QByteArray& content)
    {
        const QString path = dir.filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }
    // A gsettings on PATH that prints `answer` and exits with `status`.
    void fakeGSettings(const QByteArray& answer, int status = 0)
    {
        const QString path = write("bin/gsettings",
            "#!/bin/sh\n[ \"$*\" = \"get org.gnome.desktop.interface enable-animations\" ] || exit 9\necho " + answer
                + "\nexit " + QByteArray::number(status) + "\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QTemporaryDir dir;
    QList<std::pair<const char*, QByteArray>> saved;
};

} // namespace

TEST_F(DesktopAnimationsTest, KdeSpeedFactorZeroMeansNoAnimations)
{
    const QString instant = write("a",
        "[General]\nAnimationDurationFactor=1\n[KDE]\nLookAndFeelPackage=x\n"
        "AnimationDurationFactor[$i]=0\n");
    const QString slow = write("b", "[KDE]\nAnimationDurationFactor=0.5\n");
    const QString other
        = write("c", "[KDE Action Restrictions]\nAnimationDurationFactor=0\n[KDE]\nSingleClick=false\n");
    EXPECT_EQ(DesktopAnimations::fromKdeGlobals({ instant }), false);
    EXPECT_EQ(DesktopAnimations::fromKdeGlobals({ slow }), true);
    EXPECT_EQ(DesktopAnimations::fromKdeGlobals({ other }), std::nullopt) << "only the [KDE] group counts";
    EXPECT_EQ(DesktopAnimations::fromKdeGlobals({ other, instant }), false)
        << "the system file when the user's is silent";
    EXPECT_EQ(DesktopAnimations::fromKdeGlobals({ slow, instant }), true) << "the user's file first";
    EXPECT_EQ(DesktopAnimations::fromKdeGlobals({ dir.filePath("missing") }), std::nullopt);
}

TEST_F(DesktopAnimationsTest, ReadsTheRunningDesktopsSetting)
{
    qputenv("XDG_CURRENT_DESKTOP", "KDE");
    write("system/kdeglobals", "[KDE]\nAnimationDurationFactor=0\n");
    EXPECT_FALSE(DesktopAnimations::enabled());
    write("config/kdeglobals", "[KDE]\nAnimationDurationFactor=2\n");
    EXPECT_TRUE(DesktopAnimations::enabled());

    qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
    fakeGSettings("false");
    EXPECT_FALSE(DesktopAnimations::enabled());
    fakeGSettings("true");
    EXPECT_TRUE(DesktopAnimations::enabled());
}

TEST_F(DesktopAnimationsTest, AnimationsAreOnWhenNothingSaysOtherwise)
{
    EXPECT_TRUE(DesktopAnimations::enabled()) << "no gsettings at all";
    fakeGSettings("\"No such schema\"", 1);
    EXPECT_EQ(DesktopAnimations::fromGSettings(), std::nullopt);
    EXPECT_TRUE(DesktopAnimations::enabled());
    qputenv("XDG_CURRENT_DESKTOP", "KDE");
    EXPECT_TRUE(DesktopAnimations::enabled()) << "KDE without kdeglobals";
}
