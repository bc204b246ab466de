#include "loopback_peer.h"

#include "support/wait.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

int boundPort(int fd)
{
    sockaddr_in address{};
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

void makeNonBlocking(int fd)
{
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL, 0) | O_NONBLOCK);
}

}  // namespace

int unusedLoopbackPort()
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(0);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    const int port = boundPort(fd);
    close(fd);
    return port;
}

PeerConnection::PeerConnection(int fd) : fd_(fd)
{
    if (fd_ >= 0)
        makeNonBlocking(fd_);
}

PeerConnection::~PeerConnection()
{
    if (fd_ >= 0)
        close(fd_);
}

PeerConnection::PeerConnection(PeerConnection&& other) noexcept : fd_(other.fd_)
{
    other.fd_ = -1;
}

PeerConnection& PeerConnection::operator=(PeerConnection&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

bool PeerConnection::sendAll(const std::string& bytes, int timeoutMs)
{
    std::size_t sent = 0;
    return waitUntil([&] {
        while (sent < bytes.size()) {
            const ssize_t count = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (count <= 0)
                return false;
            sent += static_cast<std::size_t>(count);
        }
        return true;
    }, timeoutMs);
}

std::string PeerConnection::readAvailable()
{
    std::string data;
    char buffer[65536];
    for (;;) {
        const ssize_t count = recv(fd_, buffer, sizeof buffer, 0);
        if (count <= 0)
            break;
        data.append(buffer, static_cast<std::size_t>(count));
    }
    return data;
}

std::string PeerConnection::readExactly(std::size_t count, int timeoutMs)
{
    std::string data;
    waitUntil([&] {
        char buffer[65536];
        while (data.size() < count) {
            const ssize_t n = recv(fd_, buffer, std::min(sizeof buffer, count - data.size()), 0);
            if (n <= 0)
                return false;
            data.append(buffer, static_cast<std::size_t>(n));
        }
        return true;
    }, timeoutMs);
    return data;
}

bool PeerConnection::waitForEof(std::string* rest, int timeoutMs)
{
    return waitUntil([&] {
        char buffer[65536];
        for (;;) {
            const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
            if (n == 0)
                return true;
            if (n < 0)
                return errno != EAGAIN && errno != EWOULDBLOCK;
            if (rest != nullptr)
                rest->append(buffer, static_cast<std::size_t>(n));
        }
    }, timeoutMs);
}

void PeerConnection::closeGracefully()
{
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
}

void PeerConnection::closeWithReset()
{
    if (fd_ < 0)
        return;
    linger option{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &option, sizeof option);
    close(fd_);
    fd_ = -1;
}

LoopbackListener::LoopbackListener()
{
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in address = loopback(0);
    if (bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd_, 8) != 0)
        throw std::runtime_error("cannot listen on loopback");
    port_ = boundPort(fd_);
}

LoopbackListener::~LoopbackListener()
{
    close(fd_);
}

PeerConnection LoopbackListener::accept(int timeoutMs)
{
    int accepted = -1;
    // waitUntil may ask more than once after success; keep the first.
    waitUntil([&] {
        if (accepted < 0)
            accepted = ::accept(fd_, nullptr, nullptr);
        return accepted >= 0;
    }, timeoutMs);
    return PeerConnection(accepted);
}

PeerConnection connectToLoopback(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = loopback(port);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return PeerConnection(-1);
    }
    return PeerConnection(fd);
}
