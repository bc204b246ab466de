#pragma once

class QApplication;

// Picks the start mode from the command line and the program's own name and
// runs it: the FTP client (splash window, main window, event loop), the
// installer, the uninstaller, or the removal of the installer's leftover
// file. Returns the process exit code.
int runProgram(QApplication& app);
