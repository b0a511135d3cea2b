// data_dir.cpp - the asset folder lookup shared by the demo and the tools.
#include "frontend/data_dir.h"

#include <algorithm>
#include <system_error>

#include "assets/file.h"

// The build passes the path its install directories give; this is the standard one.
#ifndef WALKERS_INSTALLED_DATA_DIR
#define WALKERS_INSTALLED_DATA_DIR "../share/walkers/data"
#endif

namespace walkers {

const char* const INSTALLED_DATA_DIR = WALKERS_INSTALLED_DATA_DIR;

namespace {

bool holds_marker(const std::filesystem::path& folder) {
    std::error_code ec;
    return std::filesystem::is_regular_file(folder / DATA_DIR_MARKER, ec);
}

// Started from its own folder, the program would otherwise try one folder twice.
void add_candidate(std::vector<std::filesystem::path>& candidates,
                   const std::filesystem::path& folder) {
    const std::filesystem::path full = full_path(folder);
    if (std::find(candidates.begin(), candidates.end(), full) == candidates.end())
        candidates.push_back(full);
}

} // namespace

std::filesystem::path DataDirLookup::folder() const {
    if (!found.empty() || tried.empty()) return found;
    return tried.front();
}

std::vector<std::filesystem::path>
data_dir_candidates(const std::filesystem::path& executable_path) {
    std::vector<std::filesystem::path> candidates;
    add_candidate(candidates, DATA_DIR_NAME);
    if (!executable_path.empty()) {
        const std::filesystem::path bin = executable_path.parent_path();
        add_candidate(candidates, bin / DATA_DIR_NAME);
        add_candidate(candidates, bin / INSTALLED_DATA_DIR);
    }
    return candidates;
}

std::string DataDirLookup::not_found_message() const {
    std::string tried_list;
    for (const std::filesystem::path& candidate : tried)
        tried_list += (tried_list.empty() ? "" : ", ") + candidate.string();
    return std::string("no folder holding ") + DATA_DIR_MARKER + " (tried " + tried_list +
           "); --data names one";
}

DataDirLookup find_data_dir(std::span<const std::filesystem::path> candidates) {
    DataDirLookup lookup;
    for (const std::filesystem::path& candidate : candidates) {
        lookup.tried.push_back(candidate);
        if (holds_marker(candidate)) {
            lookup.found = candidate;
            break;
        }
    }
    return lookup;
}

DataDirLookup locate_data_dir(const std::filesystem::path& executable_path) {
    return find_data_dir(data_dir_candidates(executable_path));
}

DataDirLookup given_data_dir(const std::filesystem::path& folder) {
    const std::filesystem::path full = full_path(folder);
    return {.found = full, .tried = {full}};
}

std::filesystem::path running_executable_path(const char* argv0) {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && !self.empty()) return self;
    if (argv0 == nullptr || *argv0 == '\0') return {};
    return full_path(argv0);
}

} // namespace walkers
