#pragma once

#include <cstddef>
#include <string>

// "prox.dfd" keeps connection settings one per line; this program reads and
// writes only line 3, the passive-mode flag ("1" on, "0" off), and writes
// every other line back as it found it.
namespace passive_mode_file {

inline constexpr const char* kFileName = "prox.dfd";
inline constexpr std::size_t kPassiveLineIndex = 2;

// True exactly when the file exists and its third line is "1".
bool readPassive(const std::string& path);

enum class StoreResult { Saved, FileMissing, WriteFailed };
// Replaces line 3 and saves the file. A file that cannot be read is left
// alone (never created); a file of fewer than three lines is padded with
// empty lines so that the flag lands on line 3.
StoreResult storePassive(const std::string& path, bool passive);

}  // namespace passive_mode_file
