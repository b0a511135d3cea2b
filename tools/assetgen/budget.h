// budget.h - what the data costs the renderer, against what it can hold.
//
// Every walker loads its own copy of the model, so positions, texture
// coordinates and primitive bytes are per walker times the walker count, and
// must leave a tenth of each capacity spare. Each text file must parse into a
// blob the parser's 20000-byte block holds, each animation record must fit its
// slot, and there are 16 model and animation slots.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "walker_design.h"

namespace walkers::assetgen {

constexpr int32_t DEFAULT_WALKERS = 9;

struct BudgetLine {
    std::string what;
    int64_t used;
    int64_t allowed; // used must not exceed this
    int64_t capacity;
    bool ok() const { return used <= allowed; }
};

struct FileCosts {
    int32_t model_blob_bytes;
    int32_t animation_blob_bytes;
    int32_t animation_record_bytes; // keys, poses and the saved pose of one slot
};

std::vector<BudgetLine> budget_lines(const std::vector<Part>& parts, int32_t walkers,
                                     const FileCosts& files);
// One line per check, "what: used / allowed (capacity)", failures marked.
std::string budget_report(const std::vector<BudgetLine>& lines);
bool within_budget(const std::vector<BudgetLine>& lines);

} // namespace walkers::assetgen
