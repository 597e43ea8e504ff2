// Shared entry point of every test executable: a Qt application (offscreen unless the suite asks
// for another platform) and private XDG folders, so that no test reads or writes the user's files.
#include "platform/text/LinuxWording.h"

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (home.path() + "/cache").toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QApplication app(argc, argv);
    // As the application does: what the tests see is what a user of this desktop reads.
    platform::LinuxWording linuxWording;
    QApplication::installTranslator(&linuxWording);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
