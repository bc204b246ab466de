#include "net/socket_message_window.h"

#include "net/custom_wsocket.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHostAddress>
#include <QHostInfo>
#include <QSocketNotifier>

namespace {

QEvent::Type socketMessageEventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

class SocketMessageEvent : public QEvent {
public:
    explicit SocketMessageEvent(const TSocketMessage& m) : QEvent(socketMessageEventType()), message(m) {}
    TSocketMessage message;
};

// Notifiers may be switched off from inside their own activation (a close
// in an event handler); deleting them there is not safe, so they go later.
void dispose(QSocketNotifier*& notifier)
{
    if (notifier == nullptr)
        return;
    notifier->setEnabled(false);
    notifier->disconnect();
    notifier->deleteLater();
    notifier = nullptr;
}

}  // namespace

SocketMessageWindow::SocketMessageWindow(TCustomWSocket* owner) : owner_(owner) {}

SocketMessageWindow::~SocketMessageWindow() = default;

void SocketMessageWindow::Post(const TSocketMessage& message)
{
    QCoreApplication::postEvent(this, new SocketMessageEvent(message));
}

void SocketMessageWindow::customEvent(QEvent* event)
{
    if (event->type() != socketMessageEventType() || owner_ == nullptr)
        return;
    const TSocketMessage message = static_cast<SocketMessageEvent*>(event)->message;
    ++dispatching_;
    owner_->DispatchGuarded(message);
    --dispatching_;
}

void SocketMessageWindow::WatchRead(int fd, bool on)
{
    if (read_ != nullptr && read_->socket() != fd)
        dispose(read_);
    if (read_ == nullptr) {
        if (!on)
            return;
        read_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(read_, &QSocketNotifier::activated, this, &SocketMessageWindow::onReadActivated);
    }
    if (read_->isEnabled() != on)
        read_->setEnabled(on);
}

void SocketMessageWindow::WatchWrite(int fd, bool on)
{
    if (write_ != nullptr && write_->socket() != fd)
        dispose(write_);
    if (write_ == nullptr) {
        if (!on)
            return;
        write_ = new QSocketNotifier(fd, QSocketNotifier::Write, this);
        connect(write_, &QSocketNotifier::activated, this, &SocketMessageWindow::onWriteActivated);
    }
    if (write_->isEnabled() != on)
        write_->setEnabled(on);
}

void SocketMessageWindow::StopWatching()
{
    dispose(read_);
    dispose(write_);
}

void SocketMessageWindow::onReadActivated()
{
    if (owner_ == nullptr)
        return;
    ++dispatching_;
    owner_->OnReadReady();
    --dispatching_;
}

void SocketMessageWindow::onWriteActivated()
{
    if (owner_ == nullptr)
        return;
    ++dispatching_;
    owner_->OnWriteReady();
    --dispatching_;
}

void SocketMessageWindow::Release()
{
    owner_ = nullptr;
    StopWatching();
    if (dispatching_ > 0)
        deleteLater();
    else
        delete this;
}

int SocketMessageWindow::StartLookup(const std::string& name, std::uint64_t handle, bool reverse)
{
    return QHostInfo::lookupHost(QString::fromStdString(name), this, [this, handle, reverse](const QHostInfo& info) {
        if (owner_ == nullptr)
            return;
        int error = 0;
        std::vector<std::string> results;
        switch (info.error()) {
        case QHostInfo::NoError:
            break;
        case QHostInfo::HostNotFound:
            error = WSAHOST_NOT_FOUND;
            break;
        default:
            error = WSANO_RECOVERY;
            break;
        }
        if (error == 0 && reverse) {
            results.push_back(info.hostName().toStdString());
        } else if (error == 0) {
            // Only IPv4 is spoken here; a name with nothing but IPv6
            // addresses has no usable data.
            for (const QHostAddress& address : info.addresses()) {
                if (address.protocol() == QAbstractSocket::IPv4Protocol)
                    results.push_back(address.toString().toStdString());
            }
            if (results.empty())
                error = WSANO_DATA;
        }
        ++dispatching_;
        owner_->DeliverLookupResult(handle, reverse, error, results);
        --dispatching_;
    });
}
