#include "core/tls_trust_file.h"

#include "core/text_line_list.h"

namespace {

std::string keyOf(const std::string& host, const std::string& port)
{
    return host + ":" + port;
}

// "key fingerprint" -> the two parts; false for a line of another shape.
bool splitLine(const std::string& line, std::string& key, std::string& fingerprint)
{
    const std::size_t blank = line.rfind(' ');
    if (blank == std::string::npos || blank == 0 || blank + 1 >= line.size())
        return false;
    key = line.substr(0, blank);
    fingerprint = line.substr(blank + 1);
    return true;
}

}  // namespace

std::string TlsTrustFile::fingerprint(const std::string& host, const std::string& port) const
{
    TextLineList lines;
    if (!lines.loadFromFile(path_))
        return {};
    const std::string wanted = keyOf(host, port);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string key;
        std::string value;
        if (splitLine(lines[i], key, value) && key == wanted)
            return value;
    }
    return {};
}

bool TlsTrustFile::remember(const std::string& host, const std::string& port, const std::string& fingerprint) const
{
    TextLineList lines;
    lines.loadFromFile(path_);
    const std::string wanted = keyOf(host, port);
    TextLineList kept;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string key;
        std::string value;
        if (splitLine(lines[i], key, value) && key == wanted)
            continue;
        kept.append(lines[i]);
    }
    kept.append(wanted + " " + fingerprint);
    return kept.saveToFile(path_, FileAccess::OwnerOnly);
}
