#pragma once

#include <string>
#include <string_view>
#include <vector>

// The three choices of the Options menu. Exactly one is in force at a time;
// the program always starts with AutoDetect.
enum class TransferModeChoice { Binary, Ascii, AutoDetect };

// Transfer mode codes as they are stored in a queue entry.
inline constexpr const char* kAsciiModeCode = "0";
inline constexpr const char* kBinaryModeCode = "1";

// Only this many leading items of the extension list are ever consulted;
// the list may hold more, they are simply never looked at.
inline constexpr std::size_t kConsultedAsciiExtensions = 200;

// The text from the last dot to the end, dot included; empty without a dot.
std::string fileExtension(std::string_view fileName);

// Upper-cases the letters a to z and nothing else, so the comparison does not
// depend on the locale and leaves bytes of other encodings alone.
std::string upperCaseAsciiLetters(std::string_view text);

// Decides the transfer mode code of a file about to be queued. With
// AutoDetect the file is ASCII exactly when its extension equals (ignoring
// the case of a to z) one of the first 200 list items; a name without an
// extension is always binary, and so is every file when the list is empty.
std::string decideTransferMode(TransferModeChoice choice, std::string_view fileName,
                               const std::vector<std::string>& asciiExtensions);
