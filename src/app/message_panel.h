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
    // The whole message, also when the panel shows it cut short.
    QString message() const { return message_; }

    // The width the panel asks of the status bar's layout; it gets less only
    // when the bar has no more room, and the hints take what is left.
    void setPreferredWidth(int width);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showFitted();

    QString message_;
    int preferredWidth_ = 0;
};
