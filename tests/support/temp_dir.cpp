#include "support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

TempDir::TempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tavlintest-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::file(const std::string& name) const
{
    return path_ + "/" + name;
}

void TempDir::write(const std::string& name, const std::string& bytes) const
{
    std::filesystem::path target = file(name);
    std::filesystem::create_directories(target.parent_path());
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempDir::read(const std::string& name) const
{
    // In large pieces: tests compare files of tens of megabytes.
    std::ifstream in(file(name), std::ios::binary);
    std::string bytes;
    char piece[65536];
    while (in.read(piece, sizeof piece) || in.gcount() > 0)
        bytes.append(piece, static_cast<std::size_t>(in.gcount()));
    return bytes;
}
