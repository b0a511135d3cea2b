#include "data_folder.h"

#include <stdexcept>

#include "assets/animation.h"
#include "data_texts.h"
#include "textures.h"

namespace walkers::assetgen {
namespace {

using writers::AnimationKey;
using writers::AnimationText;
using writers::Field;
using writers::ModelPartText;

constexpr auto POSE_ENTRY_BYTES = static_cast<int32_t>(sizeof(Vector4));

void check_poses(const std::vector<Pose>& poses) {
    // Blends work on raw angles; staying within a quarter turn either way keeps
    // any blend between two poses on the short way round.
    for (const Pose& pose : poses)
        for (const Angles& a : pose)
            for (double d : {a.x, a.y, a.z})
                if (d < -90.0 || d > 90.0) throw std::runtime_error("pose angle beyond 90 degrees");
}

} // namespace

std::string model_text(const std::vector<Part>& parts, int32_t* blob_bytes) {
    std::vector<ModelPartText> records;
    for (const Part& part : parts)
        records.push_back({part.name, part.file, part.pop_count, part.parent, part.translation});
    return writers::model_file_text(
        {"mdt.txt - the walker model, loaded once per walker.",
         "Written by walkers-assetgen: change the generator and run it again."},
        records, blob_bytes);
}

std::string animation_text(const std::vector<Pose>& poses, const std::vector<Part>& parts,
                           int32_t* blob_bytes) {
    AnimationText a;
    a.header = {"an.txt - the walk cycle, loaded once per walker.",
                "Written by walkers-assetgen: change the generator and run it again.",
                "",
                "Each key shows its own pose on its first step, then eases back towards",
                "the previous key's pose. Every key here lasts one step, so the walk plays",
                "as one pose per frame: " + std::to_string(WALK_KEYS) +
                    " poses make one stride of both legs."};
    for (const Part& part : parts)
        a.part_names.push_back(part.name);
    const auto keys = static_cast<int32_t>(poses.size());
    for (int32_t k = 0; k < keys; ++k)
        a.keys.push_back(AnimationKey{WALK_KEY_STEPS, (k + 1) % keys, k});
    for (const Pose& pose : poses) {
        std::vector<Field> fields;
        for (const Angles& angles : pose)
            fields.push_back(Field::vector({angles.x, angles.y, angles.z, 0}, 1));
        a.poses.push_back(std::move(fields));
    }
    return writers::animation_file_text(a, blob_bytes);
}

DataFolder build_data_folder(int32_t walkers) {
    const std::vector<Part> parts = build_walker();
    const std::vector<Pose> poses = walk_cycle();
    check_poses(poses);
    DataFolder folder;
    FileCosts costs{};
    folder.files.push_back(
        writers::text_file("mdt.txt", model_text(parts, &costs.model_blob_bytes)));
    folder.files.push_back(
        writers::text_file("an.txt", animation_text(poses, parts, &costs.animation_blob_bytes)));
    const auto pose_count = static_cast<int32_t>(poses.size());
    costs.animation_record_bytes =
        pose_count * KEYFRAME_BYTES + (pose_count + 1) * PART_COUNT * POSE_ENTRY_BYTES;
    for (const Part& part : parts)
        folder.files.push_back({part.file, part.mesh.serialise()});
    for (TextureFile& texture : texture_files())
        folder.files.push_back({texture.name, std::move(texture.bytes)});
    folder.budget = budget_lines(parts, walkers, costs);
    folder.walker_height = walker_height(parts);
    if (!within_budget(folder.budget))
        throw std::runtime_error("the design does not fit " + std::to_string(walkers) +
                                 " walkers:\n" + budget_report(folder.budget));
    return folder;
}

} // namespace walkers::assetgen
