#include <QCoreApplication>
#include <gtest/gtest.h>

// Sockets and FTP clients deliver their events through the Qt event loop,
// so every non-window test runs with a QCoreApplication in place.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
