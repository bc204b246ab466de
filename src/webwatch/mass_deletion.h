#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// How many remote files one project's scan would delete, of how many.
struct ProjectDeletions {
    std::string name;
    std::size_t files = 0;     // the project's records before the scan
    std::size_t deleting = 0;  // remote deletions the scan listed
};

// More deletions than this in one run need the user's word.
inline constexpr std::size_t kMassDeletionLimit = 20;

// A run that would delete more than kMassDeletionLimit files in all, or more
// than half of the files of any one project, looks like a mistake (a wrong
// folder, a half-finished checkout) as often as like a tidy-up. Returns the
// question that asks before such a run ("This run will delete N files on
// the server ...: go on?"), or nothing when the run's deletions are
// ordinary.
std::optional<std::string> massDeletionQuestion(const std::vector<ProjectDeletions>& projects);
