#pragma once

#include <QLabel>

// The status bar's panel for messages: what a server answered to a refused
// request, why a session ended, what the program left out and why. Hints
// keep the status bar's own message area, which changes with every move of
// the mouse; a message stays until the next one, so it can still be read
// after the pointer has moved on.
class MessagePanel : public QLabel {
    Q_OBJECT
public:
    explicit MessagePanel(QWidget* parent = nullptr);

    void showMessage(const QString& message);
    QString message() const { return text(); }
};
