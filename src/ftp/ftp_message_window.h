#pragma once

#include <QObject>

#include <cstdint>

class TCustomFtpCli;

// Stands in for the FTP component's hidden window: messages the component
// posts to itself (request done, start of an upload's sending) come back
// from the event loop, never inside the call that posted them.
class FtpMessageWindow : public QObject {
    Q_OBJECT
public:
    explicit FtpMessageWindow(TCustomFtpCli* owner) : owner_(owner) {}

    void Post(unsigned msg, std::intptr_t wParam = 0, std::intptr_t lParam = 0);

protected:
    void customEvent(QEvent* event) override;

private:
    TCustomFtpCli* owner_;
};
