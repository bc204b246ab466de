#include "webwatch/project_file_entry.h"

std::string ProjectFileEntry::modeCode() const
{
    return std::string(1, static_cast<char>('0' + (binary ? 1 : 0) + (notClean ? 2 : 0)));
}

void ProjectFileEntry::setModeCode(std::string_view code)
{
    binary = code == "1" || code == "3";
    notClean = !(code == "0" || code == "1");
}

std::string ProjectFileEntry::value(ProjectField field) const
{
    switch (field) {
    case ProjectField::LocalPath: return localPath;
    case ProjectField::Server: return server;
    case ProjectField::Login: return login;
    case ProjectField::Password: return password;
    case ProjectField::Port: return port;
    case ProjectField::RemoteDirectory: return remoteDirectory;
    case ProjectField::RemoteFileName: return remoteFileName;
    case ProjectField::ModeCode: return modeCode();
    case ProjectField::UploadStamp: return stamp;
    }
    return {};
}

std::vector<std::string> ProjectFileEntry::recordLines() const
{
    std::vector<std::string> lines;
    lines.reserve(kProjectRecordLines);
    for (int k = 1; k <= static_cast<int>(kProjectRecordLines); ++k)
        lines.push_back(" " + value(static_cast<ProjectField>(k)));
    return lines;
}

ProjectFileEntry ProjectFileEntry::fromRecordLines(const std::vector<std::string>& lines)
{
    auto at = [&lines](ProjectField field) {
        const std::size_t i = static_cast<std::size_t>(field) - 1;
        if (i >= lines.size())
            return std::string();
        const std::string& line = lines[i];
        return !line.empty() && line.front() == ' ' ? line.substr(1) : line;
    };
    ProjectFileEntry entry;
    entry.localPath = at(ProjectField::LocalPath);
    entry.server = at(ProjectField::Server);
    entry.login = at(ProjectField::Login);
    entry.password = at(ProjectField::Password);
    entry.port = at(ProjectField::Port);
    entry.remoteDirectory = at(ProjectField::RemoteDirectory);
    entry.remoteFileName = at(ProjectField::RemoteFileName);
    entry.setModeCode(at(ProjectField::ModeCode));
    entry.stamp = at(ProjectField::UploadStamp);
    return entry;
}

bool isStorableValue(std::string_view value)
{
    return value.find_first_of("\r\n") == std::string_view::npos;
}
