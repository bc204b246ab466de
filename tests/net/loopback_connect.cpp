#include "loopback_connect.h"

#include "support/wait.h"

#include <string>

void startLoopbackConnect(TCustomWSocket& socket, int port)
{
    socket.SetAddr("127.0.0.1");
    socket.SetPort(std::to_string(port));
    socket.Connect();
}

PeerConnection connectAndAccept(TCustomWSocket& socket, LoopbackListener& listener)
{
    startLoopbackConnect(socket, listener.port());
    PeerConnection peer = listener.accept();
    if (!peer.valid() || !waitUntil([&] { return socket.State() == wsConnected; }))
        return PeerConnection();
    return peer;
}
