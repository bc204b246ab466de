#pragma once

#include <QString>

#include <string>

// Moves a file, a folder with what is in it, or a link (the link itself,
// also one that leads nowhere) into the user's trash, where the desktop's
// file manager shows it and can put it back: the files and info folders of
// ${XDG_DATA_HOME:-~/.local/share}/Trash, made when missing. Items on
// another file system go to that file system's own trash. Empty when it
// was done, else why not.
QString moveToDesktopTrash(const std::string& path);
