// data_texts.h - the two text files of a data folder: the model and the animation.
//
// model_file_text writes "mdt.txt": a head (the part count, the model placed at
// (0, 100, 500), unturned, at unit scale; the scene moves it from the first
// frame on), the object list (one mesh file per part, record i part i) and the
// bone section (pop count, translation from the parent's joint, and a rest
// rotation of 0: the walk sets every part's rotation each frame).
// animation_file_text writes "an.txt": the head, one key record per key and
// one pose record (degrees) per part of each pose. Both explain the format in
// comments, and both report the bytes the demo's own parser turns the text
// into: 4 + padded name + 8 per section, each record's fields and a 4-byte
// terminator; a text whose blob lacks one of its sections (the parser's
// 20000-byte block was too small) counts as filling the block.
//
// replay_pop_counts runs the transform pass's pushes and pops over the pop
// counts: each part's parent and the deepest stack level. It throws
// std::runtime_error when a pop asks for more levels than the stack holds or
// the stack would pass its 32 levels; pop_counts_for is its inverse.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "mesh_writer.h"
#include "section_text.h"

namespace walkers::writers {

struct Hierarchy {
    std::vector<int32_t> parent; // per part; -1 = the model itself
    int32_t deepest_stack = 0;   // most matrices on the stack at once
};

Hierarchy replay_pop_counts(const std::vector<int32_t>& pop_counts);
// The pop counts that make `parent` (parts depth first, each parent listed
// before its children, -1 the model) the hierarchy; the last part pops nothing.
std::vector<int32_t> pop_counts_for(const std::vector<int32_t>& parent);

struct ModelPartText {
    std::string name; // for comments
    std::string file; // its mesh file
    int32_t pop_count;
    int32_t parent;    // -1 for the model
    Point translation; // from the parent's joint, model units
};

// `header`: the comment lines that open the file (what it is, who wrote it).
std::string model_file_text(const std::vector<std::string>& header,
                            const std::vector<ModelPartText>& parts, int32_t* blob_bytes);

// The formats of a key record and of a pose's entry for one part.
constexpr std::string_view ANIMATION_KEY_FORMAT = "IIIIV";
constexpr std::string_view ANIMATION_POSE_FORMAT = "V";

struct AnimationKey {
    int32_t steps;
    int32_t next; // -1: none
    int32_t pose;
};

struct AnimationText {
    std::vector<std::string> header;     // comment lines that open the file
    std::vector<std::string> part_names; // one per part of every pose
    std::vector<AnimationKey> keys;
    // Per pose, one V field per part: x y z w in degrees.
    std::vector<std::vector<Field>> poses;
};

std::string animation_file_text(const AnimationText& animation, int32_t* blob_bytes);

} // namespace walkers::writers
