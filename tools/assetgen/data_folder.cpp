#include "data_folder.h"

#include <stdexcept>

#include "assets/animation.h"
#include "assets/section.h"
#include "section_text.h"
#include "textures.h"

namespace walkers::assetgen {
namespace {

// Where the model stands when loaded; the scene moves it from the first frame on.
constexpr std::array<double, 4> MODEL_POSITION = {0, 100, 500, 0};
constexpr std::array<double, 4> ZERO = {0, 0, 0, 0};
constexpr std::array<double, 4> UNIT_SCALE = {1, 1, 1, 0};
constexpr auto POSE_ENTRY_BYTES = static_cast<int32_t>(sizeof(Vector4));

std::array<double, 4> vec(Point p) {
    return {double(p.x), double(p.y), double(p.z), 0};
}

std::vector<uint8_t> bytes_of(const std::string& text) {
    return {text.begin(), text.end()};
}

std::string parent_name(const std::vector<Part>& parts, int32_t parent) {
    return parent < 0 ? "the model" : parts[parent].name;
}

void model_preamble(SectionText& t) {
    t.comment("mdt.txt - the walker model, loaded once per walker.");
    t.comment("Written by walkers-assetgen: change the generator and run it again.");
    t.comment("");
    t.comment("Each section: NAME COUNT FORMAT, then COUNT records, then a closing token.");
    t.comment("Field codes: I an integer, V four numbers x y z w, S a file name.");
    t.comment("Units: model units; x right, y DOWN, z away from the viewer. The walker");
    t.comment("faces -z (the viewer) at heading 0; its soles are at y = 0.");
}

void model_head(SectionText& t, int32_t part_count) {
    t.blank_line();
    t.comment("Part count, position, rotation (angle units, 1024 a turn) and scale.");
    t.comment("The scene places and turns each walker itself from the first frame on.");
    t.begin("SEC_M_HEAD:", 1, "IVVV");
    t.record({Field::integer(part_count), Field::vector(MODEL_POSITION, 0), Field::vector(ZERO, 0),
              Field::vector(UNIT_SCALE, 0)});
    t.end();
}

void model_objects(SectionText& t, const std::vector<Part>& parts) {
    t.blank_line();
    t.comment("One mesh file per part; record i becomes part i. The order is the");
    t.comment("hierarchy walked depth first, as the bone section's pop counts describe.");
    t.begin("SEC_M_OBJ:", static_cast<int32_t>(parts.size()), "S");
    for (std::size_t p = 0; p < parts.size(); ++p)
        t.record({Field::text(parts[p].file)}, "part " + std::to_string(p) + ": " + parts[p].name);
    t.end();
}

void model_bones(SectionText& t, const std::vector<Part>& parts) {
    t.blank_line();
    t.comment("Per part: pop count, unused, translation from the parent's joint to this");
    t.comment("part's joint, rotation (times 300 gives angle units; the walk overwrites");
    t.comment("it every frame, so the rest pose is 0), and two unused vectors.");
    t.comment("Pop count = levels to climb back after this part: 0 makes the next part");
    t.comment("its child, 1 its sibling, k a child of its (k-1)-th ancestor.");
    t.begin("SEC_M_BORN:", static_cast<int32_t>(parts.size()), "IIVVVV");
    for (const Part& part : parts)
        t.record({Field::integer(part.pop_count), Field::integer(0),
                  Field::vector(vec(part.translation), 0), Field::vector(ZERO, 0),
                  Field::vector(ZERO, 0), Field::vector(ZERO, 0)},
                 part.name + ", child of " + parent_name(parts, part.parent));
    t.end();
}

void animation_preamble(SectionText& t) {
    t.comment("an.txt - the walk cycle, loaded once per walker.");
    t.comment("Written by walkers-assetgen: change the generator and run it again.");
    t.comment("");
    t.comment("Each key shows its own pose on its first step, then eases back towards");
    t.comment("the previous key's pose. Every key here lasts one step, so the walk plays");
    t.comment("as one pose per frame: " + std::to_string(WALK_KEYS) +
              " poses make one stride of both legs.");
}

void animation_head(SectionText& t, int32_t keys, int32_t poses) {
    t.blank_line();
    t.comment("Key count, unused, parts per pose, pose count.");
    t.begin("SEC_ANIM_HEAD:", 1, "IIII");
    t.record({Field::integer(keys), Field::integer(0), Field::integer(PART_COUNT),
              Field::integer(poses)});
    t.end();
}

void animation_keys(SectionText& t, int32_t keys) {
    t.blank_line();
    t.comment("Per key: steps it lasts, unused, next key (-1: none), its pose, and");
    t.comment("four unused numbers. The last key leads back to key 0: the walk loops.");
    t.begin("SEC_ANIM_SEEK:", keys, "IIIIV");
    for (int32_t k = 0; k < keys; ++k)
        t.record({Field::integer(WALK_KEY_STEPS), Field::integer(0), Field::integer((k + 1) % keys),
                  Field::integer(k), Field::vector(ZERO, 0)},
                 "key " + std::to_string(k));
    t.end();
}

void animation_poses(SectionText& t, const std::vector<Pose>& poses,
                     const std::vector<Part>& parts) {
    t.blank_line();
    t.comment("Poses, one rotation per part in part order: x y z w in degrees, about");
    t.comment("the part's joint and relative to its parent. +x swings a limb forward,");
    t.comment("-x on a lower leg bends the knee, y turns about the vertical.");
    t.begin("SEC_ANIM_DAT:", static_cast<int32_t>(poses.size() * PART_COUNT), "V");
    for (std::size_t q = 0; q < poses.size(); ++q) {
        t.comment("pose " + std::to_string(q));
        for (int32_t p = 0; p < PART_COUNT; ++p) {
            const Angles& a = poses[q][p];
            t.record({Field::vector({a.x, a.y, a.z, 0}, 1)}, parts[p].name);
        }
    }
    t.end();
}

// The size of the blob the demo's own parser makes of the text. A section that
// does not fit the parser's block is dropped, so a text whose blob lacks any of
// its sections counts as filling the block.
int32_t parsed_blob_bytes(const SectionText& t) {
    const SectionBlob blob = parse_section_text(t.text().c_str());
    int32_t sections = 0;
    for (SectionView s = first_section(blob); section_name_size(s) != SECTION_TERMINATOR;
         s = next_section(s))
        ++sections;
    if (sections != t.sections()) return SECTION_BLOB_CAPACITY;
    return static_cast<int32_t>(blob.bytes.size());
}

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
    SectionText t;
    model_preamble(t);
    model_head(t, static_cast<int32_t>(parts.size()));
    model_objects(t, parts);
    model_bones(t, parts);
    *blob_bytes = parsed_blob_bytes(t);
    return t.text();
}

std::string animation_text(const std::vector<Pose>& poses, const std::vector<Part>& parts,
                           int32_t* blob_bytes) {
    SectionText t;
    animation_preamble(t);
    animation_head(t, static_cast<int32_t>(poses.size()), static_cast<int32_t>(poses.size()));
    animation_keys(t, static_cast<int32_t>(poses.size()));
    animation_poses(t, poses, parts);
    *blob_bytes = parsed_blob_bytes(t);
    return t.text();
}

DataFolder build_data_folder(int32_t walkers) {
    const std::vector<Part> parts = build_walker();
    const std::vector<Pose> poses = walk_cycle();
    check_poses(poses);
    DataFolder folder;
    FileCosts costs{};
    folder.files.push_back({"mdt.txt", bytes_of(model_text(parts, &costs.model_blob_bytes))});
    folder.files.push_back(
        {"an.txt", bytes_of(animation_text(poses, parts, &costs.animation_blob_bytes))});
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
