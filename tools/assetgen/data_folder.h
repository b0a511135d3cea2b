// data_folder.h - every file of the data folder, built in memory.
//
// build_data_folder designs the walker, its walk and its textures and renders
// them into file images: "mdt.txt" (model), "an.txt" (animation), one mesh file
// per part, and the four bitmaps. Nothing touches the disk, and the same build
// gives the same bytes every time. It throws std::runtime_error with every
// broken budget line when the design does not fit `walkers` copies.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "budget.h"
#include "data_file.h"
#include "walk_cycle.h"

namespace walkers::assetgen {

using writers::DataFile;

struct DataFolder {
    std::vector<DataFile> files;
    std::vector<BudgetLine> budget;
    int32_t walker_height = 0; // model units, soles to the top of the head
};

DataFolder build_data_folder(int32_t walkers);

// The text files on their own (the folder builder uses them; so can a reader
// who wants to see them without the rest).
std::string model_text(const std::vector<Part>& parts, int32_t* blob_bytes);
std::string animation_text(const std::vector<Pose>& poses, const std::vector<Part>& parts,
                           int32_t* blob_bytes);

} // namespace walkers::assetgen
