#pragma once

#include "app/installation.h"

#include <string>

class Dialogs;

// The installer and uninstaller as the user meets them: they do their work
// and say what they did through the dialogs service.

inline constexpr const char* kSetupCaption = "Tavlin FTP setup";
inline constexpr const char* kUninstallCaption = "Tavlin FTP uninstall";

// Installs and reports. The outcome's leftover is the staged file the
// installed program should be started with, so that it clears it away.
InstallOutcome runInstaller(Dialogs& dialogs, const InstallLayout& layout, const std::string& runningProgram,
                            const std::string& iconPng, const std::string& temporaryDirectory);

// Removes the menu entry and icon, asks before removing the data files,
// and reports what was removed.
void runUninstaller(Dialogs& dialogs, const InstallLayout& layout);
