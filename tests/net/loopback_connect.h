#pragma once

#include "loopback_peer.h"

#include "net/wsocket.h"

// Connecting the component under test to a peer the test holds directly.

// Points the component at 127.0.0.1:port and starts connecting; the outcome
// comes later from the event loop.
void startLoopbackConnect(TCustomWSocket& socket, int port);

// Connects the component to the listener and accepts the far end. The
// connection is invalid when nobody connected or the component did not
// reach wsConnected in time.
PeerConnection connectAndAccept(TCustomWSocket& socket, LoopbackListener& listener);

// A component and the far end of its connection.
struct ConnectedPair {
    LoopbackListener listener;
    TWSocket socket;
    PeerConnection peer;

    bool connect()
    {
        peer = connectAndAccept(socket, listener);
        return peer.valid();
    }
};
