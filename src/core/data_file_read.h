#pragma once

#include "core/text_line_list.h"

#include <cstdint>
#include <string>

// No data file of the program comes near this size; anything larger is not
// one, and is refused before it is read into memory.
inline constexpr std::uint64_t kMaxDataFileBytes = 64ull * 1024 * 1024;

// readWholeFile (and every TextLineList load) reads only a regular file of
// at most kMaxDataFileBytes: a FIFO would hold the reader until someone
// writes to it, a device would be read without end. These forms also say
// why a file was not read: the system's text or the loader's own.
bool readDataFile(const std::string& path, std::string& out, std::string& failure);
bool loadDataFile(TextLineList& lines, const std::string& path, std::string& failure);
