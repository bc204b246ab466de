#include "webwatch/recording_store.h"

#include <filesystem>
#include <system_error>

bool storeRecording(ProjectStore& store, const Recording& recording)
{
    if (recording.intoExisting) {
        if (recording.projectIndex && *recording.projectIndex < store.projectCount()
            && store.projectName(*recording.projectIndex) == recording.projectName)
            return store.insertFiles(*recording.projectIndex, 0, recording.files);
        if (const auto p = findProjectByName(store, recording.projectName))
            return store.insertFiles(*p, 0, recording.files);
    }
    return store.appendProject(recording.projectName, recording.cleanDirectory, recording.deleteMissing,
                               recording.files);
}

bool loadProjectFileForWriting(const std::string& path, ProjectStore& store)
{
    std::error_code error;
    const auto status = std::filesystem::symlink_status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) {
        store.setLines(TextLineList({"0"}));
        return true;
    }
    return store.load(path);
}

std::optional<std::size_t> projectAtInsertLine(const ProjectStore& store, std::size_t insertLine,
                                               const std::string& name)
{
    for (std::size_t p = 0; p < store.projectCount(); ++p)
        if (store.projectLine(p) + kProjectHeaderLines == insertLine)
            return store.projectName(p) == name ? std::optional<std::size_t>(p) : std::nullopt;
    return std::nullopt;
}
