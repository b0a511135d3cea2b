// source.h - a model file as the importer sees it, read through Assimp.
//
// read_model_file / read_model_memory hand the file to Assimp (triangulated,
// identical vertices joined, texture coordinates with v running down the
// picture, the data structure validated) and copy out what the importer uses,
// so that nothing after this file knows Assimp:
// - the node tree: each node's rest placement relative to its parent, split
//   into position, rotation and scale for the animation, and its placement in
//   the file's world;
// - every triangle in its rest pose, in the file's world: an unskinned mesh
//   through its node's placement, a skinned one through its bones (the weighted
//   sum of bone placement times offset matrix). Each triangle is owned by the
//   node that will carry it: a mesh's node, or for a skinned mesh the bone with
//   the greatest total weight over its three corners. Triangles with a corner
//   that is not a finite number are dropped and counted;
// - materials: a colour (base colour, else diffuse) and the picture of the
//   base-colour or diffuse texture: a file beside the model, an embedded one,
//   or for a missing file a picture beside the model whose name begins with the
//   model's (an MD2 names no skin);
// - the animation clips with their channels, and what --list shows.
// A model holding only the skeleton mesh Assimp makes for a bare skeleton (a
// BVH clip) keeps no triangles and is marked skeleton_only. Only the common
// 3D formats' readers are kept (their extensions are listed in source.cpp); a
// file Assimp cannot read throws ImportError with Assimp's reason on one line.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "space.h"

namespace walkers::import {

// Why a model cannot be imported: one line, for the user.
class ImportError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Vec2 {
    double u = 0;
    double v = 0;
};

struct SourceNode {
    std::string name; // unique: empty or repeated names are made unique
    int32_t parent = -1;
    Affine local;  // rest placement relative to the parent
    Vec3 position; // the same, split up for the animation
    Quat rotation;
    Vec3 scale{1, 1, 1};
    Affine global; // rest placement in the file's world
};

struct SourceTriangle {
    std::array<Vec3, 3> corner; // rest pose, file world, in the file's winding
    std::array<Vec2, 3> uv;     // 0..1 across the picture, v down; 0 without coordinates
    int32_t material = 0;
    int32_t owner = 0; // node
};

// Where a material's picture comes from: a file, or bytes the model embeds
// (encoded like a PNG, or raw RGBA texels).
struct Picture {
    std::string label; // for messages
    std::filesystem::path file;
    std::vector<uint8_t> encoded;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgba;
};

struct SourceMaterial {
    std::string name;
    std::array<uint8_t, 3> colour{200, 200, 200};
    std::optional<Picture> picture;
    std::string missing_picture; // a texture named but not found
};

struct VecKey {
    double tick;
    Vec3 value;
};
struct QuatKey {
    double tick;
    Quat value;
};
struct Channel {
    int32_t node;
    std::vector<VecKey> position;
    std::vector<QuatKey> rotation;
    std::vector<VecKey> scaling;
};
struct SourceClip {
    std::string name;
    double ticks_per_second = 25;
    double duration_ticks = 0;
    std::vector<Channel> channels;
};

struct SourceMeshInfo {
    std::string name;
    int32_t vertices;
    int32_t triangles;
    int32_t bones;
    int32_t material;
    int32_t node; // the first node that places it
};

struct SourceScene {
    std::filesystem::path file;
    std::string extension;         // lower case, without the dot
    std::vector<SourceNode> nodes; // parents before children
    std::vector<SourceTriangle> triangles;
    std::vector<SourceMaterial> materials;
    std::vector<SourceClip> clips;
    std::vector<SourceMeshInfo> meshes;
    std::vector<std::string> bones; // node names that skin a mesh
    bool skeleton_only = false;
    int32_t non_finite_triangles = 0;
};

SourceScene read_model_file(const std::filesystem::path& file);
// `hint`: the format's usual extension ("obj", "gltf", ...). Files the model
// names (textures, .mtl, .bin) cannot be found from memory.
SourceScene read_model_memory(std::span<const uint8_t> bytes, const std::string& hint);

} // namespace walkers::import
