#include "data_texts.h"

#include <algorithm>
#include <stdexcept>

#include "assets/section.h"
#include "bytes.h"
#include "geometry/matrix.h"

namespace walkers::writers {
namespace {

// Where the model stands when loaded; the scene moves it from the first frame on.
constexpr std::array<double, 4> MODEL_POSITION = {0, 100, 500, 0};
constexpr std::array<double, 4> ZERO = {0, 0, 0, 0};
constexpr std::array<double, 4> UNIT_SCALE = {1, 1, 1, 0};

std::array<double, 4> vec(Point p) {
    return {double(p.x), double(p.y), double(p.z), 0};
}

std::string parent_name(const std::vector<ModelPartText>& parts, int32_t parent) {
    return parent < 0 ? "the model" : parts[static_cast<std::size_t>(parent)].name;
}

void model_preamble(SectionText& t, const std::vector<std::string>& header) {
    for (const std::string& line : header)
        t.comment(line);
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

void model_objects(SectionText& t, const std::vector<ModelPartText>& parts) {
    t.blank_line();
    t.comment("One mesh file per part; record i becomes part i. The order is the");
    t.comment("hierarchy walked depth first, as the bone section's pop counts describe.");
    t.begin("SEC_M_OBJ:", static_cast<int32_t>(parts.size()), "S");
    for (std::size_t p = 0; p < parts.size(); ++p)
        t.record({Field::text(parts[p].file)}, "part " + std::to_string(p) + ": " + parts[p].name);
    t.end();
}

void model_bones(SectionText& t, const std::vector<ModelPartText>& parts) {
    t.blank_line();
    t.comment("Per part: pop count, unused, translation from the parent's joint to this");
    t.comment("part's joint, rotation (times 300 gives angle units; the walk overwrites");
    t.comment("it every frame, so the rest pose is 0), and two unused vectors.");
    t.comment("Pop count = steps to climb back up after this part: 0 makes the next part");
    t.comment("its child, 1 its sibling, k a child of its k-th ancestor (1st: its parent).");
    t.begin("SEC_M_BORN:", static_cast<int32_t>(parts.size()), "IIVVVV");
    for (const ModelPartText& part : parts)
        t.record({Field::integer(part.pop_count), Field::integer(0),
                  Field::vector(vec(part.translation), 0), Field::vector(ZERO, 0),
                  Field::vector(ZERO, 0), Field::vector(ZERO, 0)},
                 part.name + ", child of " + parent_name(parts, part.parent));
    t.end();
}

void animation_head(SectionText& t, int32_t keys, int32_t parts, int32_t poses) {
    t.blank_line();
    t.comment("Key count, unused, parts per pose, pose count.");
    t.begin("SEC_ANIM_HEAD:", 1, "IIII");
    t.record(
        {Field::integer(keys), Field::integer(0), Field::integer(parts), Field::integer(poses)});
    t.end();
}

void animation_keys(SectionText& t, const std::vector<AnimationKey>& keys) {
    t.blank_line();
    t.comment("Per key: steps it lasts, unused, next key (-1: none), its pose, and");
    t.comment("four unused numbers. The last key leads back to key 0: the walk loops.");
    t.begin("SEC_ANIM_SEEK:", static_cast<int32_t>(keys.size()), std::string(ANIMATION_KEY_FORMAT));
    for (std::size_t k = 0; k < keys.size(); ++k)
        t.record({Field::integer(keys[k].steps), Field::integer(0), Field::integer(keys[k].next),
                  Field::integer(keys[k].pose), Field::vector(ZERO, 0)},
                 "key " + std::to_string(k));
    t.end();
}

void animation_poses(SectionText& t, const AnimationText& a) {
    t.blank_line();
    t.comment("Poses, one rotation per part in part order: x y z w in degrees, about");
    t.comment("the part's joint and relative to its parent. +x swings a limb forward,");
    t.comment("-x on a lower leg bends the knee, y turns about the vertical.");
    t.begin("SEC_ANIM_DAT:", static_cast<int32_t>(a.poses.size() * a.part_names.size()),
            std::string(ANIMATION_POSE_FORMAT));
    for (std::size_t q = 0; q < a.poses.size(); ++q) {
        if (a.poses[q].size() != a.part_names.size())
            throw std::runtime_error("a pose does not hold one rotation per part");
        t.comment("pose " + std::to_string(q));
        for (std::size_t p = 0; p < a.part_names.size(); ++p)
            t.record({a.poses[q][p]}, a.part_names[p]);
    }
    t.end();
}

// The size of the blob the demo's own parser makes of the text.
int32_t parsed_blob_bytes(const SectionText& t) {
    const SectionBlob blob = parse_section_text(t.text().c_str());
    int32_t sections = 0;
    for (SectionView s = first_section(blob); section_name_size(s) != SECTION_TERMINATOR;
         s = next_section(s))
        ++sections;
    if (sections != t.sections()) return SECTION_BLOB_CAPACITY;
    return static_cast<int32_t>(blob.bytes.size());
}

} // namespace

Hierarchy replay_pop_counts(const std::vector<int32_t>& pop_counts) {
    Hierarchy h;
    std::vector<int32_t> stack; // whose accumulated matrix each level holds
    int32_t current = -1;
    for (int32_t p = 0; p < static_cast<int32_t>(pop_counts.size()); ++p) {
        if (stack.size() >= MATRIX_STACK_DEPTH)
            throw std::runtime_error("the hierarchy needs more than " +
                                     std::to_string(MATRIX_STACK_DEPTH) + " stack levels");
        stack.push_back(current);
        h.parent.push_back(current);
        h.deepest_stack = std::max(h.deepest_stack, static_cast<int32_t>(stack.size()));
        current = p;
        const int32_t pops = pop_counts[p];
        if (pops < 0 || pops > static_cast<int32_t>(stack.size()))
            throw std::runtime_error("part " + std::to_string(p) + " pops " + std::to_string(pops) +
                                     " levels of " + std::to_string(stack.size()));
        if (pops > 0) {
            current = stack[stack.size() - pops];
            stack.resize(stack.size() - pops);
        }
    }
    return h;
}

std::vector<int32_t> pop_counts_for(const std::vector<int32_t>& parent) {
    // depth[p]: the stack level part p pushes to (1 for a child of the model).
    std::vector<int32_t> depth(parent.size(), 1);
    std::vector<int32_t> pops(parent.size(), 0);
    for (std::size_t p = 0; p < parent.size(); ++p) {
        if (parent[p] >= static_cast<int32_t>(p))
            throw std::runtime_error("a part is listed before its parent");
        depth[p] = parent[p] < 0 ? 1 : depth[static_cast<std::size_t>(parent[p])] + 1;
        if (p == 0) continue;
        // After part p - 1 the next part hangs from parent[p]: climb to its level.
        const int32_t base = parent[p] < 0 ? 0 : depth[static_cast<std::size_t>(parent[p])];
        pops[p - 1] = depth[p - 1] - base;
        if (pops[p - 1] < 0) throw std::runtime_error("parts are not listed depth first");
    }
    return pops;
}

std::string model_file_text(const std::vector<std::string>& header,
                            const std::vector<ModelPartText>& parts, int32_t* blob_bytes) {
    SectionText t;
    model_preamble(t, header);
    model_head(t, static_cast<int32_t>(parts.size()));
    model_objects(t, parts);
    model_bones(t, parts);
    *blob_bytes = parsed_blob_bytes(t);
    return t.text();
}

std::string animation_file_text(const AnimationText& a, int32_t* blob_bytes) {
    SectionText t;
    for (const std::string& line : a.header)
        t.comment(line);
    animation_head(t, static_cast<int32_t>(a.keys.size()),
                   static_cast<int32_t>(a.part_names.size()), static_cast<int32_t>(a.poses.size()));
    animation_keys(t, a.keys);
    animation_poses(t, a);
    *blob_bytes = parsed_blob_bytes(t);
    return t.text();
}

} // namespace walkers::writers
