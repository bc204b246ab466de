#pragma once

#include <string>

// A fresh folder under the system temporary directory, removed with its
// contents when the object goes away. Each test works in its own.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string file(const std::string& name) const;
    // Writes bytes to path() + "/" + name (creating parent folders).
    void write(const std::string& name, const std::string& bytes) const;
    // Reads path() + "/" + name; empty when missing.
    std::string read(const std::string& name) const;

private:
    std::string path_;
};
