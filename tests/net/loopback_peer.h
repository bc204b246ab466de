#pragma once

#include <string>

// The far end of a test connection, written with plain POSIX calls so the
// component under test is checked against an independent peer. Every wait
// runs the Qt event loop (the component lives there) with a deadline.

// A port on 127.0.0.1 that nothing listens on right now.
int unusedLoopbackPort();

class PeerConnection {
public:
    explicit PeerConnection(int fd = -1);
    ~PeerConnection();
    PeerConnection(PeerConnection&& other) noexcept;
    PeerConnection& operator=(PeerConnection&& other) noexcept;
    PeerConnection(const PeerConnection&) = delete;
    PeerConnection& operator=(const PeerConnection&) = delete;

    bool valid() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    // Writes everything, letting the event loop run while the kernel is full.
    bool sendAll(const std::string& bytes, int timeoutMs = 10000);
    // Reads until exactly count bytes arrived (or the deadline passed).
    std::string readExactly(std::size_t count, int timeoutMs = 10000);
    // Reads whatever arrives until the component closes its side.
    bool waitForEof(std::string* rest = nullptr, int timeoutMs = 10000);
    // What has arrived so far, without waiting.
    std::string readAvailable();
    void closeGracefully();
    // Closes with a reset (linger zero), as a crashed peer would.
    void closeWithReset();

private:
    int fd_ = -1;
};

class LoopbackListener {
public:
    LoopbackListener();
    ~LoopbackListener();
    int port() const { return port_; }
    // Waits for the next connection.
    PeerConnection accept(int timeoutMs = 10000);

private:
    int fd_ = -1;
    int port_ = 0;
};

// Connects a plain socket to 127.0.0.1:port (blocking connect; loopback
// answers at once).
PeerConnection connectToLoopback(int port);
