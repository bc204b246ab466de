#pragma once

#include <string>

// The servers whose certificate the user trusts always, in the data file
// "tlstrust.dfd": one line per server, "host:port SHA256:AB:CD:...". The
// window writes it when the user answers "Trust always"; the command line
// reads the same file. It is the user's alone (created 0600), since it says
// which servers the user works with.
class TlsTrustFile {
public:
    static constexpr const char* FileName = "tlstrust.dfd";

    explicit TlsTrustFile(std::string path) : path_(std::move(path)) {}

    const std::string& path() const { return path_; }
    // The fingerprint trusted for host and port; empty when there is none.
    // Read from the file each time: the window and the command line may
    // both have changed it since.
    std::string fingerprint(const std::string& host, const std::string& port) const;
    // Trusts this fingerprint for host and port from now on, in place of any
    // earlier one. False when the file could not be written.
    bool remember(const std::string& host, const std::string& port, const std::string& fingerprint) const;

private:
    std::string path_;
};
