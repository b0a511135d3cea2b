// data_dir.h - where the demo and its tools find the asset folder.
//
// The asset folder is the first candidate that holds the model file "mdt.txt":
// the working directory's "data", then the "data" beside the executable (the
// build tree), then the installed folder INSTALLED_DATA_DIR, reached from the
// executable's folder so that an install moved to another prefix, or staged
// under a DESTDIR, still finds its own assets. A folder named "data" without
// the model file is passed over, so a stray folder in the working directory
// cannot hide the real one. A folder the user names explicitly is not looked
// up at all: the front ends use it as given.
//
// Every path handed out is absolute and normalised, so it stays valid after a
// change of directory and can be shown to the user as it is. Standard library
// only; nothing here throws.
#pragma once

#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace walkers {

constexpr const char* DATA_DIR_NAME = "data";
// The file every walker loads; a folder without it holds no walker.
constexpr const char* DATA_DIR_MARKER = "mdt.txt";
// The installed asset folder relative to the folder of the installed programs:
// "../share/walkers/data" in the standard layout; the build derives it from the
// install directories it is configured with.
extern const char* const INSTALLED_DATA_DIR;

struct DataDirLookup {
    std::filesystem::path found;              // empty when no candidate holds the marker
    std::vector<std::filesystem::path> tried; // every candidate looked at, in order

    // The folder setup should enter: the one found, or else the first one tried
    // (a front end that found nothing still builds the scene, with no walkers).
    std::filesystem::path folder() const;
    // One line for standard error when nothing was found: what was looked for, where.
    std::string not_found_message() const;
};

// The candidates in the order they are tried, duplicates removed.
// executable_path: the running program's file; empty skips the two folders
// found from it (beside it, and the installed one).
std::vector<std::filesystem::path>
data_dir_candidates(const std::filesystem::path& executable_path);

// The first of `candidates` that holds DATA_DIR_MARKER.
DataDirLookup find_data_dir(std::span<const std::filesystem::path> candidates);

// find_data_dir over data_dir_candidates(executable_path).
DataDirLookup locate_data_dir(const std::filesystem::path& executable_path);

// A folder the user named: used as given, whatever it holds.
DataDirLookup given_data_dir(const std::filesystem::path& folder);

// The running program's file: /proc/self/exe where the system offers it,
// otherwise argv0 made absolute against the current directory (empty for null).
std::filesystem::path running_executable_path(const char* argv0);

} // namespace walkers
