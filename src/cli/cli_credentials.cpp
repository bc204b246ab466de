#include "cli/cli_credentials.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Host names and the anonymous user names compare without case.
bool SameHost(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// "anonymous" and "ftp" log in anonymously whatever blanks stand around
// them: servers take the name without them.
bool IsAnonymousUser(const std::string& user)
{
    const std::size_t first = user.find_first_not_of(" \t");
    if (first == std::string::npos)
        return true;
    const std::string name = user.substr(first, user.find_last_not_of(" \t") - first + 1);
    return SameHost(name, "anonymous") || SameHost(name, "ftp");
}

// Reads the words of a netrc file one by one.
class NetrcWords {
public:
    explicit NetrcWords(const std::string& text) : text_(text) {}

    // The next word; false at the end of the text.
    bool Next(std::string& word)
    {
        for (;;) {
            while (pos_ < text_.size() && IsBlank(text_[pos_]))
                ++pos_;
            if (pos_ >= text_.size())
                return false;
            // A comment runs to the end of its line.
            if (text_[pos_] == '#' && AtLineStart()) {
                while (pos_ < text_.size() && text_[pos_] != '\n')
                    ++pos_;
                continue;
            }
            break;
        }
        word.clear();
        if (text_[pos_] == '"') {
            ++pos_;
            while (pos_ < text_.size() && text_[pos_] != '"') {
                if (text_[pos_] == '\\' && pos_ + 1 < text_.size())
                    ++pos_;
                word += text_[pos_++];
            }
            ++pos_;
            return true;
        }
        while (pos_ < text_.size() && !IsBlank(text_[pos_]))
            word += text_[pos_++];
        return true;
    }

    // A macro definition's body runs to the next empty line.
    void SkipMacroBody()
    {
        while (pos_ < text_.size() && text_[pos_] != '\n')
            ++pos_;
        const std::size_t end = text_.find("\n\n", pos_);
        pos_ = end == std::string::npos ? text_.size() : end + 2;
    }

private:
    bool AtLineStart() const
    {
        std::size_t i = pos_;
        while (i > 0 && (text_[i - 1] == ' ' || text_[i - 1] == '\t'))
            --i;
        return i == 0 || text_[i - 1] == '\n';
    }

    const std::string& text_;
    std::size_t pos_ = 0;
};

struct NetrcEntry {
    bool isDefault = false;
    std::string machine;
    NetrcLogin login;
};

std::vector<NetrcEntry> ReadNetrc(const std::string& text)
{
    std::vector<NetrcEntry> entries;
    NetrcWords words(text);
    std::string word;
    std::string value;
    while (words.Next(word)) {
        if (word == "machine" || word == "default") {
            NetrcEntry entry;
            entry.isDefault = word == "default";
            if (!entry.isDefault && !words.Next(entry.machine))
                break;
            entries.push_back(entry);
        } else if (word == "macdef") {
            words.Next(value);
            words.SkipMacroBody();
        } else if (word == "login" || word == "password" || word == "account" || word == "port") {
            if (!words.Next(value))
                break;
            if (entries.empty())
                continue;
            if (word == "login") {
                entries.back().login.login = value;
            } else if (word == "password") {
                entries.back().login.password = value;
                entries.back().login.hasPassword = true;
            }
        }
    }
    return entries;
}

bool ReadPrivateFile(const std::string& path, std::string& text, std::string& error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error = path + " is not a regular file";
        return false;
    }
    if ((st.st_mode & (S_IRGRP | S_IROTH)) != 0) {
        ::close(fd);
        error = path + " can be read by other users; its passwords are not used (chmod 600 " + path + ")";
        return false;
    }
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    ::close(fd);
    if (n < 0) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace

std::optional<NetrcLogin> FindNetrcLogin(const std::string& netrcText, const std::string& host,
                                         const std::string& user)
{
    const std::vector<NetrcEntry> entries = ReadNetrc(netrcText);
    auto fits = [&](const NetrcEntry& e) { return user.empty() || e.login.login.empty() || e.login.login == user; };
    for (const NetrcEntry& e : entries) {
        if (!e.isDefault && SameHost(e.machine, host) && fits(e))
            return e.login;
    }
    for (const NetrcEntry& e : entries) {
        if (e.isDefault && fits(e)) {
            NetrcLogin login = e.login;
            login.fromDefault = true;
            return login;
        }
    }
    return std::nullopt;
}

bool ResolveCredentials(CliOptions& options, const char* environmentPassword, const std::string& homeDir,
                        std::string& error)
{
    std::optional<NetrcLogin> fromNetrc;
    if (options.netrc) {
        const std::string path = options.netrcPath.empty() ? homeDir + "/.netrc" : options.netrcPath;
        std::string text;
        if (!ReadPrivateFile(path, text, error))
            return false;
        fromNetrc = FindNetrcLogin(text, options.host, options.userGiven ? options.user : std::string());
    }
    if (fromNetrc && !options.userGiven && !fromNetrc->login.empty()) {
        options.user = fromNetrc->login;
        options.userGiven = true;
    }
    if (options.passwordGiven)
        return true;
    const bool anonymous = !options.userGiven || IsAnonymousUser(options.user);
    if (environmentPassword && *environmentPassword && !anonymous) {
        options.password = environmentPassword;
        options.passwordGiven = true;
    } else if (fromNetrc && fromNetrc->hasPassword && !(fromNetrc->fromDefault && anonymous)) {
        options.password = fromNetrc->password;
        options.passwordGiven = true;
    }
    return true;
}
