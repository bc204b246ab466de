#include "webwatch/recording_store.h"

#include <filesystem>
#include <system_error>

bool storeRecording(ProjectStore& store, const Recording& recording)
{
    if (recording.intoExisting) {
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
