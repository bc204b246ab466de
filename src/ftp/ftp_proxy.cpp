#include "ftp/ftp_proxy.h"

#include "core/url_password_mask.h"
#include "net/custom_socks_wsocket.h"

#include <QUrl>

namespace {

bool ValidPort(const std::string& text)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const int port = std::stoi(text);
    return port > 0 && port < 65536;
}

} // namespace

bool FtpProxy::NamesGoToProxy() const
{
    return kind == FtpProxyKind::Socks4A || (kind == FtpProxyKind::Socks5 && proxyResolvesNames);
}

std::string FtpProxy::Level() const
{
    switch (kind) {
    case FtpProxyKind::Socks4:
        return "4";
    case FtpProxyKind::Socks4A:
        return "4A";
    default:
        return "5";
    }
}

void FtpProxy::ApplyTo(TCustomSocksWSocket& socket) const
{
    if (!Enabled()) {
        socket.SetSocksServer("");
        socket.SetSocksUsercode("");
        socket.SetSocksPassword("");
        socket.SetSocksAuthentication(socksNoAuthentication);
        return;
    }
    socket.SetSocksLevel(Level());
    socket.SetSocksServer(host);
    socket.SetSocksPort(port);
    socket.SetSocksUsercode(user);
    socket.SetSocksPassword(password);
    socket.SetSocksAuthentication(kind == FtpProxyKind::Socks5 && !user.empty() ? socksAuthenticateUsercode
                                                                                 : socksNoAuthentication);
}

std::optional<FtpProxy> ParseProxyHostPort(FtpProxyKind kind, const std::string& text, std::string& error)
{
    FtpProxy proxy;
    proxy.kind = kind;
    std::string host = text;
    const std::size_t colon = text.rfind(':');
    if (colon != std::string::npos) {
        host = text.substr(0, colon);
        proxy.port = text.substr(colon + 1);
    }
    if (host.empty() || host.find(':') != std::string::npos) {
        error = "the proxy must be given as HOST:PORT, not '" + text + "'";
        return std::nullopt;
    }
    if (!ValidPort(proxy.port)) {
        error = "the proxy port must be a number from 1 to 65535, not '" + proxy.port + "'";
        return std::nullopt;
    }
    proxy.host = host;
    return proxy;
}

std::optional<FtpProxy> ParseProxyUrl(const std::string& text, std::string& error)
{
    const QUrl url(QString::fromStdString(text), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) {
        error = "not a valid proxy URL: " + MaskUrlPassword(text);
        return std::nullopt;
    }
    FtpProxy proxy;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("socks4")) {
        proxy.kind = FtpProxyKind::Socks4;
    } else if (scheme == QLatin1String("socks4a")) {
        proxy.kind = FtpProxyKind::Socks4A;
    } else if (scheme == QLatin1String("socks5")) {
        proxy.kind = FtpProxyKind::Socks5;
        proxy.proxyResolvesNames = false;
    } else if (scheme == QLatin1String("socks5h")) {
        proxy.kind = FtpProxyKind::Socks5;
    } else {
        error = "only socks4://, socks4a://, socks5:// and socks5h:// proxies are supported, not '" + MaskUrlPassword(text) + "'";
        return std::nullopt;
    }
    proxy.host = url.host(QUrl::FullyDecoded).toStdString();
    if (url.port() >= 0)
        proxy.port = std::to_string(url.port());
    if (!ValidPort(proxy.port)) {
        error = "the proxy port must be a number from 1 to 65535: " + MaskUrlPassword(text);
        return std::nullopt;
    }
    proxy.user = url.userName(QUrl::FullyDecoded).toStdString();
    proxy.password = url.password(QUrl::FullyDecoded).toStdString();
    return proxy;
}
