#pragma once

#include <string>

// Text from a server as it may be shown on a terminal: control characters
// (C0, DEL, C1 in UTF-8) and bytes that are not UTF-8 are written as \xHH,
// so that a file name cannot move the cursor, retitle the window, change
// colours or answer for the user.
std::string TerminalSafe(const std::string& text);
