#pragma once

#include <string>

class Dialogs;

// A project file that does not read whole is never shown or written over
// (the store refuses both); the user hears once, at start, what is wrong
// with it and where. A missing one is a first start's business.
void reportDamagedProjectFile(const std::string& projectFile, Dialogs& dialogs);
