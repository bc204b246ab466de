#include "app/installation.h"

#include "core/data_files.h"
#include "core/data_paths.h"
#include "core/text_line_list.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kSetupLogName = "setup.log";

bool isRegularFileNoLink(const std::string& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// A string value of a desktop entry: backslashes and line breaks escaped.
std::string desktopString(const std::string& value)
{
    std::string escaped;
    for (char ch : value) {
        if (ch == '\\')
            escaped += "\\\\";
        else if (ch == '\n')
            escaped += "\\n";
        else if (ch == '\r')
            escaped += "\\r";
        else if (ch == '\t')
            escaped += "\\t";
        else
            escaped += ch;
    }
    return escaped;
}

// The program path as one quoted argument of an Exec line, then escaped as
// a desktop string.
std::string execArgument(const std::string& path)
{
    std::string quoted = "\"";
    for (char ch : path) {
        if (ch == '"' || ch == '`' || ch == '$' || ch == '\\')
            quoted += '\\';
        if (ch == '%')
            quoted += '%';
        quoted += ch;
    }
    quoted += '"';
    return desktopString(quoted);
}

bool removeRegularFile(const std::string& path, std::vector<std::string>& removed)
{
    if (!isRegularFileNoLink(path) || ::unlink(path.c_str()) != 0)
        return false;
    removed.push_back(path);
    return true;
}

}  // namespace

InstallLayout InstallLayout::fromEnvironment()
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg == '/')
        return {xdg};
    const char* home = std::getenv("HOME");
    return {joinPath(home && *home ? home : "/tmp", ".local/share")};
}

std::string InstallLayout::dataDirectory() const
{
    return joinPath(dataHome, "tavlinftp");
}

std::string InstallLayout::programFile() const
{
    return joinPath(dataDirectory(), "tavlinftp");
}

std::string InstallLayout::desktopEntry() const
{
    return joinPath(dataHome, "applications/tavlinftp.desktop");
}

std::string InstallLayout::iconFile() const
{
    return joinPath(dataHome, "icons/hicolor/64x64/apps/tavlinftp.png");
}

std::string InstallLayout::manifest() const
{
    return joinPath(dataDirectory(), kInstallManifestName);
}

std::string desktopEntryText(const InstallLayout& layout)
{
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Tavlin FTP\n"
           "GenericName=FTP client\n"
           "Comment=Keep web sites up to date over FTP\n"
           "Exec=" + execArgument(layout.programFile()) + "\n"
           "Path=" + desktopString(layout.dataDirectory()) + "\n"
           "Icon=" + desktopString(layout.iconFile()) + "\n"
           "Terminal=false\n"
           "Categories=Network;FileTransfer;\n";
}

InstallOutcome installProgram(const InstallLayout& layout, const std::string& runningProgram,
                              const std::string& iconPng, const std::string& temporaryDirectory)
{
    InstallOutcome outcome;
    std::error_code error;
    for (const std::string& folder : {layout.dataDirectory(), fs::path(layout.desktopEntry()).parent_path().string(),
                                      fs::path(layout.iconFile()).parent_path().string()}) {
        fs::create_directories(folder, error);
        if (error) {
            outcome.error = "Cannot create " + folder + ": " + error.message();
            return outcome;
        }
    }

    std::string staging = joinPath(temporaryDirectory, "tavlinftp-setup-XXXXXX");
    if (!::mkdtemp(staging.data())) {
        outcome.error = "Cannot create a staging folder in " + temporaryDirectory;
        return outcome;
    }
    const std::string marker = joinPath(staging, kInstallerMarkerName);
    writeWholeFile(marker, std::string(kInstallerMarkerSignature) + "\n" + kSetupLogName + "\n");

    if (!fs::equivalent(runningProgram, layout.programFile(), error)) {
        error.clear();
        fs::copy_file(runningProgram, layout.programFile(), fs::copy_options::overwrite_existing, error);
        if (error) {
            outcome.error = "Cannot copy the program to " + layout.programFile() + ": " + error.message();
            return outcome;
        }
    }
    fs::permissions(layout.programFile(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                              fs::perms::others_read | fs::perms::others_exec,
                    error);
    outcome.written.push_back(layout.programFile());

    if (!writeWholeFile(layout.iconFile(), iconPng)) {
        outcome.error = "Cannot write " + layout.iconFile();
        return outcome;
    }
    outcome.written.push_back(layout.iconFile());
    if (!writeWholeFile(layout.desktopEntry(), desktopEntryText(layout))) {
        outcome.error = "Cannot write " + layout.desktopEntry();
        return outcome;
    }
    outcome.written.push_back(layout.desktopEntry());

    TextLineList manifest(outcome.written);
    if (!manifest.saveToFile(layout.manifest())) {
        outcome.error = "Cannot write " + layout.manifest();
        return outcome;
    }

    std::string log;
    for (const std::string& path : outcome.written)
        log += "written " + path + "\n";
    outcome.leftover = joinPath(staging, kSetupLogName);
    writeWholeFile(outcome.leftover, log);
    outcome.ok = true;
    return outcome;
}

std::vector<std::string> removeMenuEntry(const InstallLayout& layout)
{
    std::vector<std::string> removed;
    TextLineList manifest;
    if (!manifest.loadFromFile(layout.manifest()))
        return removed;
    for (const std::string& path : {layout.desktopEntry(), layout.iconFile()})
        if (std::find(manifest.begin(), manifest.end(), path) != manifest.end())
            removeRegularFile(path, removed);
    return removed;
}

std::vector<std::string> removeDataFiles(const InstallLayout& layout)
{
    std::vector<std::string> removed;
    const DataFilePaths paths = DataFilePaths::inDirectory(layout.dataDirectory());
    for (const std::string& path :
         {paths.fiext1Fil, paths.ftpdirlTxt, paths.rstfilTxt, paths.koefilDfd, paths.serv3Adr, paths.servAdr,
          paths.ascdDfd, paths.proxDfd, paths.wbprjDfd, paths.nywebDfd, paths.nyweb2Dfd, paths.defilDfd,
          layout.programFile(), layout.manifest()})
        removeRegularFile(path, removed);
    if (::rmdir(layout.dataDirectory().c_str()) == 0)
        removed.push_back(layout.dataDirectory());
    return removed;
}

bool removeInstallerLeftover(const std::string& path)
{
    std::error_code error;
    const fs::path file = fs::absolute(path, error).lexically_normal();
    if (error || !file.has_filename())
        return false;
    const std::string name = file.filename().string();
    const std::string folder = file.parent_path().string();
    const std::string marker = joinPath(folder, kInstallerMarkerName);
    if (name == kInstallerMarkerName || !isRegularFileNoLink(path) || !isRegularFileNoLink(marker))
        return false;

    TextLineList lines;
    if (!lines.loadFromFile(marker) || lines.empty() || lines[0] != kInstallerMarkerSignature)
        return false;
    const auto& listed = lines.lines();
    if (std::find(listed.begin() + 1, listed.end(), name) == listed.end())
        return false;

    std::vector<std::string> removed;
    if (!removeRegularFile(file.string(), removed))
        return false;
    // The rest of what the installer staged, the marker, and the folder if
    // that leaves it empty.
    for (auto other = listed.begin() + 1; other != listed.end(); ++other)
        if (!other->empty() && other->find('/') == std::string::npos && *other != "." && *other != "..")
            removeRegularFile(joinPath(folder, *other), removed);
    removeRegularFile(marker, removed);
    ::rmdir(folder.c_str());
    return true;
}
