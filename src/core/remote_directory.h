#pragma once

#include <string>

// Remote directories as the user and the data files write them, made into
// the server paths that a walk or a CWD from the server root can use.
//
// "/www" is a server path already. "." and "./www" are node paths of the
// remote tree (stored queue, resume and project files hold them) and mean
// the server root and "/www". Anything else ("public_html", "www/site",
// ".well-known") is relative to the login folder, the directory the server
// reports (PWD) right after the log-in, as every FTP client takes it.

// True for a directory that needs the login folder to be made absolute.
bool isRelativeToLoginFolder(const std::string& directory);

// The absolute server path for `directory`: relative ones are joined to
// `loginFolder`, "." and ".." components are resolved and repeated or
// trailing slashes dropped ("/" for the root). An empty directory is the
// login folder itself.
std::string absoluteRemoteDirectory(const std::string& directory, const std::string& loginFolder);
