#include "core/first_start_files.h"

#include "core/placeholder_password.h"

#include <sys/stat.h>

namespace {

bool entryExists(const std::string& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0;
}

void addSite(TextLineList& list, const char* name, const char* host, const char* login, const char* password,
             const char* port, const char* localDirectory, const char* remoteDirectory)
{
    for (const char* line : {name, host, login, password, port, localDirectory, remoteDirectory, "0"})
        list.append(line);
}

void writeUnlessPresent(const std::string& path, const TextLineList& lines, FirstStartOutcome& outcome,
                        FileAccess access = FileAccess::KeepMode)
{
    if (entryExists(path))
        return;
    if (lines.saveToFile(path, access))
        outcome.written.push_back(path);
}

}  // namespace

TextLineList builtInSiteList()
{
    TextLineList sites;
    // The demo server that scripts/run starts beside the program.
    addSite(sites, "Local demo server", "127.0.0.1", "demo", "demo", "2121", "", "");
    addSite(sites, "Debian archive", "ftp.debian.org", "anonymous", kPlaceholderEmailPassword, "21", "", "");
    addSite(sites, "GNU software", "ftp.gnu.org", "anonymous", kPlaceholderEmailPassword, "21", "", "");
    addSite(sites, "Funet file archive", "ftp.funet.fi", "anonymous", kPlaceholderEmailPassword, "21", "", "");
    addSite(sites, "Sunet file archive", "ftp.sunet.se", "anonymous", kPlaceholderEmailPassword, "21", "", "");
    addSite(sites, "FAU mirror", "ftp.fau.de", "anonymous", kPlaceholderEmailPassword, "21", "", "");
    return sites;
}

TextLineList defaultAsciiExtensions()
{
    // No ".doc": word-processor documents are binary files, which an ASCII
    // transfer corrupts. A list written by an older first start keeps it.
    return TextLineList({".htm", ".txt", ".bat", ".pas", ".asp", ".css", ".sql", ".log"});
}

TextLineList emptyProjectFile()
{
    return TextLineList({"0"});
}

TextLineList defaultSettingsFile()
{
    return TextLineList({"", "", "0"});
}

FirstStartOutcome writeFirstStartFiles(const DataFilePaths& paths, const TextLineList& builtInSites)
{
    FirstStartOutcome outcome;
    outcome.oldSiteListRead = outcome.oldSiteList.loadFromFile(paths.servAdr);
    // The site list holds passwords: its owner's alone.
    if (!outcome.oldSiteListRead)
        writeUnlessPresent(paths.serv3Adr, builtInSites, outcome, FileAccess::OwnerOnly);
    writeUnlessPresent(paths.ascdDfd, defaultAsciiExtensions(), outcome);
    writeUnlessPresent(paths.wbprjDfd, emptyProjectFile(), outcome);
    writeUnlessPresent(paths.proxDfd, defaultSettingsFile(), outcome);
    return outcome;
}
