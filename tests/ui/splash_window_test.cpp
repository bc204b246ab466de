#include "ui/splash_window.h"

#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

namespace {

TEST(SplashWindow, IsFramelessAndCentredOnTheScreen)
{
    SplashWindow splash;
    splash.centreOnScreen();
    splash.show();
    EXPECT_TRUE(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    const QPoint splashCentre = splash.geometry().center();
    EXPECT_LE((screenCentre - splashCentre).manhattanLength(), 2);

    // It draws something: the top-left and the middle differ.
    const QImage picture = splash.grab().toImage();
    EXPECT_NE(picture.pixel(5, 5), picture.pixel(splash.width() / 2, splash.height() / 2 - 30));
}

}  // namespace
