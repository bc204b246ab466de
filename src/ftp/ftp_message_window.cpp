#include "ftp/ftp_message_window.h"

#include "ftp/ftp_custom_client.h"

#include <QCoreApplication>
#include <QEvent>

namespace {

const QEvent::Type FtpMessageEventType = static_cast<QEvent::Type>(QEvent::registerEventType());

class FtpMessageEvent : public QEvent {
public:
    FtpMessageEvent(unsigned msg, std::intptr_t wParam, std::intptr_t lParam)
        : QEvent(FtpMessageEventType), Msg(msg), WParam(wParam), LParam(lParam) {}
    unsigned Msg;
    std::intptr_t WParam;
    std::intptr_t LParam;
};

} // namespace

void FtpMessageWindow::Post(unsigned msg, std::intptr_t wParam, std::intptr_t lParam)
{
    QCoreApplication::postEvent(this, new FtpMessageEvent(msg, wParam, lParam));
}

void FtpMessageWindow::customEvent(QEvent* event)
{
    if (event->type() != FtpMessageEventType || !owner_)
        return;
    auto* message = static_cast<FtpMessageEvent*>(event);
    owner_->HandleWindowMessage(message->Msg, message->WParam, message->LParam);
}
