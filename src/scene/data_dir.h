// data_dir.h - where the demo and its tools find the asset folder.
//
// locate_data_dir returns the first folder named "data" that exists: in the
// current working directory, then beside the executable. When neither exists it
// returns the plain relative "data", which start-up then tries to enter as
// usual (and the loaders report the files they cannot read). Found folders are
// returned as absolute paths, so they stay valid after a change of directory.
// Standard library only; nothing here throws.
#pragma once

#include <filesystem>

namespace walkers {

constexpr const char* DATA_DIR_NAME = "data";

// executable_path: the running program's file (see running_executable_path);
// an empty path skips the "beside the executable" candidate.
std::filesystem::path locate_data_dir(const std::filesystem::path& executable_path);

// The running program's file: /proc/self/exe where the system offers it,
// otherwise argv0 made absolute against the current directory (empty for null).
std::filesystem::path running_executable_path(const char* argv0);

} // namespace walkers
