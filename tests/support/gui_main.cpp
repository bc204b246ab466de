#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Window tests create the real windows; CTest sets QT_QPA_PLATFORM=offscreen.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The main window's local side starts in the home folder: an empty one
    // of the run's own, never the real one of whoever runs the tests.
    QTemporaryDir home;
    if (home.isValid())
        qputenv("HOME", QFile::encodeName(home.path()));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
