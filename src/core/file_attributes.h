#pragma once

#include <cstdint>
#include <string_view>
#include <sys/stat.h>

// The attribute word of a directory entry. The program's rules (which local
// files a clean directory may take in, which entries the local file list
// hides) are written in terms of these bits, so a Linux file is described
// with them:
//   a directory is exactly kAttrDirectory;
//   anything else is kAttrArchive, plus kAttrReadOnly when its owner may not
//   write it, plus kAttrHidden when its name begins with '.', plus
//   kAttrSystem when it is not a regular file (device, socket, FIFO, a
//   symbolic link that leads nowhere).
// "Exactly kAttrArchive" therefore means an ordinary, writable, visible file.
inline constexpr std::uint32_t kAttrReadOnly = 1;
inline constexpr std::uint32_t kAttrHidden = 2;
inline constexpr std::uint32_t kAttrSystem = 4;
inline constexpr std::uint32_t kAttrDirectory = 16;
inline constexpr std::uint32_t kAttrArchive = 32;

// The attribute word of an entry named `name` (the last path component)
// whose status (following symbolic links) is `status`.
std::uint32_t attributeWord(std::string_view name, const struct stat& status);

// The attribute word of an entry that could not be followed (a dangling
// symbolic link): an archive entry that is not a regular file.
std::uint32_t attributeWordOfDanglingEntry(std::string_view name);
