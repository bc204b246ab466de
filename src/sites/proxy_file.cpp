#include "sites/proxy_file.h"

#include "core/text_line_list.h"

#include <filesystem>

namespace proxy_file {

namespace {

const char* kindWord(FtpProxyKind kind)
{
    switch (kind) {
    case FtpProxyKind::Socks4:
        return "socks4";
    case FtpProxyKind::Socks4A:
        return "socks4a";
    case FtpProxyKind::Socks5:
        return "socks5";
    default:
        return "none";
    }
}

}  // namespace

FtpProxy readProxy(const std::string& path)
{
    FtpProxy proxy;
    TextLineList lines;
    if (!lines.loadFromFile(path))
        return proxy;
    const std::string kind = lines.lineOr(kKindLineIndex);
    if (kind == "socks4")
        proxy.kind = FtpProxyKind::Socks4;
    else if (kind == "socks4a")
        proxy.kind = FtpProxyKind::Socks4A;
    else if (kind == "socks5")
        proxy.kind = FtpProxyKind::Socks5;
    else
        return FtpProxy{};
    proxy.host = lines.lineOr(kKindLineIndex + 1);
    const std::string port = lines.lineOr(kKindLineIndex + 2);
    if (!port.empty())
        proxy.port = port;
    proxy.user = lines.lineOr(kKindLineIndex + 3);
    proxy.password = lines.lineOr(kKindLineIndex + 4);
    if (proxy.host.empty())
        return FtpProxy{};
    return proxy;
}

StoreResult storeProxy(const std::string& path, const FtpProxy& proxy)
{
    TextLineList lines;
    if (!lines.loadFromFile(path)) {
        if (std::filesystem::exists(path))
            return StoreResult::FileMissing;
        lines = TextLineList({"", "", "0"});
    }
    while (lines.size() < kKindLineIndex + 5)
        lines.append("");
    const bool enabled = proxy.Enabled();
    lines[kKindLineIndex] = enabled ? kindWord(proxy.kind) : "none";
    lines[kKindLineIndex + 1] = enabled ? proxy.host : "";
    lines[kKindLineIndex + 2] = enabled ? proxy.port : "";
    lines[kKindLineIndex + 3] = enabled ? proxy.user : "";
    lines[kKindLineIndex + 4] = enabled ? proxy.password : "";
    const FileAccess access = enabled && !proxy.password.empty() ? FileAccess::OwnerOnly : FileAccess::KeepMode;
    return lines.saveToFile(path, access) ? StoreResult::Saved : StoreResult::WriteFailed;
}

}  // namespace proxy_file
