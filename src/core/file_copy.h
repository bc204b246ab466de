#pragma once

#include <string>

// Copies a file over its destination (replacing an existing one). The copy
// is written under a temporary name beside the destination and renamed over
// it, so a failed copy leaves the old destination as it was: the project
// file that ends an upload run is replaced this way. A relative destination
// is taken from the current directory. False on any failure.
bool copyFileOver(const std::string& source, const std::string& destination);
