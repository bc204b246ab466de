#pragma once

#include <QMainWindow>

// The main window. Lays out the controls and wires them to the handlers of
// each subsystem; the logic itself lives in those handlers.
class Thovedform : public QMainWindow {
    Q_OBJECT
public:
    explicit Thovedform(QWidget* parent = nullptr);
};
