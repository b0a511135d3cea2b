// folder.h - a data folder put in place whole, or not at all.
//
// write_data_folder writes the files into a new folder beside `out` (so the
// last step is a rename within one file system), checks it with walkers-check's
// own library, and only then puts it in place: a new or empty `out` is
// replaced by a rename; an existing walkers folder (one holding "mdt.txt") is
// swapped with the new one in one atomic exchange where the file system allows
// it (two renames where it does not) and then removed, so a window watching
// the folder never sees half of it. Any other folder that holds something, or
// a walkers folder holding anything but its own kinds of file (.txt, .msh,
// .bmp), is refused: the user's files are never deleted. Every refusal and a
// check that finds an error throw ImportError, leaving nothing behind. The
// check returned names the folder, and the files its problems are in, where
// they are put.
#pragma once

#include <filesystem>
#include <vector>

#include "frontend/check.h"
#include "import.h"

namespace walkers::import {

check::CheckReport write_data_folder(const std::vector<DataFile>& files,
                                     const std::filesystem::path& out);

} // namespace walkers::import
