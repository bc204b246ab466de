#pragma once

#include <string>
#include <vector>

// Where an installation puts things, below the user's XDG data folder
// (${XDG_DATA_HOME:-~/.local/share}).
struct InstallLayout {
    std::string dataHome;

    // Environment: XDG_DATA_HOME, else HOME + "/.local/share".
    static InstallLayout fromEnvironment();

    std::string dataDirectory() const;  // the program's data directory
    std::string programFile() const;    // the installed program, in the data directory
    std::string desktopEntry() const;   // the menu entry
    std::string iconFile() const;       // the menu entry's icon
    std::string manifest() const;       // what the installer wrote, one path a line
};

struct InstallOutcome {
    bool ok = false;
    std::string error;                 // why it failed, when it did
    std::vector<std::string> written;  // paths written, in order
    // A file the installer left in a staging folder of its own; the
    // installed program removes it (with its folder) when started with its
    // path as the argument.
    std::string leftover;
};

// Installs the program for the current user: copies `runningProgram` into
// the data directory under the client's name, writes the icon (PNG bytes)
// and a desktop entry that starts the program in its data directory, and
// records all three in the manifest. The staging folder is created under
// `temporaryDirectory` and marked as the installer's own.
InstallOutcome installProgram(const InstallLayout& layout, const std::string& runningProgram,
                              const std::string& iconPng, const std::string& temporaryDirectory);

// The desktop entry text for a layout.
std::string desktopEntryText(const InstallLayout& layout);

// Removes the desktop entry and icon that the manifest records; nothing the
// manifest does not name, and only at the places this layout puts them.
// Returns the paths removed.
std::vector<std::string> removeMenuEntry(const InstallLayout& layout);

// Removes the program's data files, the installed program and the manifest
// from the data directory, then the directory itself if nothing else is
// left in it. Returns the paths removed.
std::vector<std::string> removeDataFiles(const InstallLayout& layout);

// Removes a file the installer left behind, and its folder, but only when
// the folder carries the installer's marker naming that file: a path named
// on the command line is never deleted on its own say-so. Other contents
// keep the folder. Returns whether the file was removed.
bool removeInstallerLeftover(const std::string& path);

// The manifest's name: the installer writes it into the data directory,
// beside the program it copies there.
inline constexpr const char* kInstallManifestName = ".tavlinftp-install";

// The name of the marker file in the installer's staging folder, and its
// first line.
inline constexpr const char* kInstallerMarkerName = ".tavlinftp-installer";
inline constexpr const char* kInstallerMarkerSignature = "Tavlin FTP installer staging folder";
