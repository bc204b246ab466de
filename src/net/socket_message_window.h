#pragma once

#include "net/socket_message.h"

#include <QObject>
#include <cstdint>
#include <string>

class QSocketNotifier;
class TCustomWSocket;

// Stands in for the component's hidden window: it receives the messages the
// component posts to itself and the readiness of its socket, and hands both
// to the component from the event loop.
class SocketMessageWindow : public QObject {
    Q_OBJECT
public:
    explicit SocketMessageWindow(TCustomWSocket* owner);

    void Post(const TSocketMessage& message);
    // The component is going away: nothing reaches it from now on, and the
    // object deletes itself as soon as no dispatch of it is running.
    void Release();

    void WatchRead(int fd, bool on);
    void WatchWrite(int fd, bool on);
    void StopWatching();

    // Starts a host lookup whose answer is handed to the owner from the
    // event loop; returns the lookup's id for abortHostLookup.
    int StartLookup(const std::string& name, std::uint64_t handle, bool reverse);

protected:
    void customEvent(QEvent* event) override;

private:
    void onReadActivated();
    void onWriteActivated();

    ~SocketMessageWindow() override;  // only through Release()
    TCustomWSocket* owner_;
    int dispatching_ = 0;
    QSocketNotifier* read_ = nullptr;
    QSocketNotifier* write_ = nullptr;
};
