#include "webwatch/mass_deletion.h"

std::optional<std::string> massDeletionQuestion(const std::vector<ProjectDeletions>& projects)
{
    std::size_t total = 0;
    const ProjectDeletions* mostly = nullptr;
    for (const ProjectDeletions& project : projects) {
        total += project.deleting;
        if (!mostly && project.deleting > 0 && project.deleting * 2 > project.files)
            mostly = &project;
    }
    if (total <= kMassDeletionLimit && !mostly)
        return std::nullopt;
    std::string question = "This run will delete " + std::to_string(total) + " files on the server";
    if (mostly)
        question += ", " + std::to_string(mostly->deleting) + " of the " + std::to_string(mostly->files)
            + " files of project \"" + mostly->name + "\"";
    return question + ": go on?";
}
