#pragma once

#include <string>

class Dialogs;

// Opens a file with the program the desktop associates with it. A relative
// file name is taken from `defaultDirectory`. The desktop's opener takes no
// parameters and chooses its own window placement, so `parameters` and
// `showMode` are accepted for the callers' sake and not passed on. Nothing
// is cut: a shortened name would open another file. Returns whether the
// desktop accepted the request; callers do not report a failure.
bool executeFile(const std::string& fileName, const std::string& parameters,
                 const std::string& defaultDirectory, int showMode);

// The show mode the local panel asks for: the window at its current size.
inline constexpr int kShowWindowAsIs = 5;

// Copies `source` over `destination` (a relative destination is taken from
// the current directory). On failure shows "Please give the destination
// filename" and returns false; the old destination is then unchanged.
bool copyFile(const std::string& source, const std::string& destination, Dialogs& dialogs);
