#pragma once

#include <QWidget>

// The window shown while the main window starts up: the program's icon and
// name, centred on the screen, without a frame.
class SplashWindow : public QWidget {
    Q_OBJECT
public:
    explicit SplashWindow(QWidget* parent = nullptr);

    void centreOnScreen();

protected:
    void paintEvent(QPaintEvent* event) override;
};
