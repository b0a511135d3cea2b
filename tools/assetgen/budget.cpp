#include "budget.h"

#include <algorithm>

#include "assets/animation.h"
#include "assets/model.h"
#include "assets/section.h"
#include "render/store.h"
#include "scene/scene.h"

namespace walkers::assetgen {
namespace {

// Positions are also projected into the ScreenVertex array, whichever is smaller.
constexpr int64_t POSITION_CAPACITY = std::min(POSITION_STREAM_CAPACITY, SCREEN_VERTEX_CAPACITY);
constexpr int64_t TEXCOORD_CAPACITY = TEXCOORD_STREAM_CAPACITY;
constexpr int64_t PRIMITIVE_CAPACITY = PRIMITIVE_BYTES;
constexpr int64_t BLOB_CAPACITY = SECTION_BLOB_CAPACITY;
constexpr int64_t ANIMATION_ROOM = ANIMATION_ROOM_BYTES;
constexpr int64_t SLOTS = std::min(MODEL_SLOTS, ANIMATION_SLOTS);

// A tenth of the capacity stays free.
BudgetLine spared(const std::string& what, int64_t used, int64_t capacity) {
    return {what, used, capacity - capacity / 10, capacity};
}

} // namespace

std::vector<BudgetLine> budget_lines(const std::vector<Part>& parts, int32_t walkers,
                                     const FileCosts& files) {
    int64_t positions = 0;
    int64_t texcoords = 0;
    int64_t primitive_bytes = 0;
    for (const Part& part : parts) {
        positions += part.mesh.vertex_count();
        texcoords += part.mesh.stream_texcoords();
        primitive_bytes += part.mesh.primitive_bytes();
    }
    return {
        spared("positions", walkers * positions, POSITION_CAPACITY),
        spared("texture coordinates", walkers * texcoords, TEXCOORD_CAPACITY),
        spared("primitive bytes", walkers * primitive_bytes, PRIMITIVE_CAPACITY),
        {"mdt.txt blob bytes", files.model_blob_bytes, BLOB_CAPACITY - 1, BLOB_CAPACITY},
        {"an.txt blob bytes", files.animation_blob_bytes, BLOB_CAPACITY - 1, BLOB_CAPACITY},
        {"animation record bytes", files.animation_record_bytes, ANIMATION_ROOM, ANIMATION_ROOM},
        {"model slots", walkers, SLOTS, SLOTS},
    };
}

std::string budget_report(const std::vector<BudgetLine>& lines) {
    std::string out;
    for (const BudgetLine& l : lines) {
        out += (l.ok() ? "  " : "  OVER BUDGET: ") + l.what + ": " + std::to_string(l.used) +
               " / " + std::to_string(l.allowed) + " (capacity " + std::to_string(l.capacity) +
               ")\n";
    }
    return out;
}

bool within_budget(const std::vector<BudgetLine>& lines) {
    return std::all_of(lines.begin(), lines.end(), [](const BudgetLine& l) { return l.ok(); });
}

} // namespace walkers::assetgen
