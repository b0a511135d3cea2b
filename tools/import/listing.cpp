#include "listing.h"

#include <algorithm>
#include <set>

#include "pose.h"
#include "scene/scene.h"

namespace walkers::import {
namespace {

constexpr std::size_t TOPIC_WIDTH = 13;

std::string padded(const std::string& s, std::size_t width) {
    return s.size() >= width ? s + " " : s + std::string(width - s.size(), ' ');
}

std::string colour_text(const std::array<uint8_t, 3>& c) {
    return "(" + std::to_string(c[0]) + ", " + std::to_string(c[1]) + ", " + std::to_string(c[2]) +
           ")";
}

std::string node_lines(const SourceScene& scene, const std::set<int32_t>& animated) {
    std::set<std::string> bones(scene.bones.begin(), scene.bones.end());
    std::vector<int32_t> depth(scene.nodes.size(), 0);
    std::string out = "nodes (" + count_text(static_cast<int64_t>(scene.nodes.size())) + ")\n";
    for (std::size_t n = 0; n < scene.nodes.size(); ++n) {
        const SourceNode& node = scene.nodes[n];
        if (node.parent >= 0) depth[n] = depth[static_cast<std::size_t>(node.parent)] + 1;
        std::string marks;
        for (std::size_t i = 0; i < scene.meshes.size(); ++i)
            if (scene.meshes[i].node == static_cast<int32_t>(n))
                marks += " [mesh " +
                         (scene.meshes[i].name.empty() ? "#" + std::to_string(i)
                                                       : scene.meshes[i].name) +
                         "]";
        if (bones.count(node.name)) marks += " [bone]";
        if (animated.count(static_cast<int32_t>(n))) marks += " [animated]";
        out += "  " + std::string(2 * static_cast<std::size_t>(depth[n]), ' ') + node.name + marks +
               "\n";
    }
    return out;
}

std::string mesh_lines(const SourceScene& scene) {
    std::string out = "meshes (" + count_text(static_cast<int64_t>(scene.meshes.size())) + ")\n";
    for (std::size_t i = 0; i < scene.meshes.size(); ++i) {
        const SourceMeshInfo& m = scene.meshes[i];
        out += "  " + padded(m.name.empty() ? "#" + std::to_string(i) : m.name, 24) +
               count_text(m.vertices) + " vertices, " + count_text(m.triangles) + " faces, " +
               count_text(m.bones) + " bones, material " + std::to_string(m.material) + "\n";
    }
    return out;
}

std::string clip_lines(const SourceScene& scene) {
    std::string out = "animations (" + count_text(static_cast<int64_t>(scene.clips.size())) + ")\n";
    for (const SourceClip& c : scene.clips) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.2f s", clip_seconds(&c));
        out += "  \"" + c.name + "\": " + seconds + ", " +
               count_text(static_cast<int64_t>(c.channels.size())) + " channels\n";
    }
    return out;
}

std::string material_lines(const SourceScene& scene) {
    std::string out =
        "materials (" + count_text(static_cast<int64_t>(scene.materials.size())) + ")\n";
    for (const SourceMaterial& m : scene.materials)
        out +=
            "  " + padded("\"" + m.name + "\"", 24) + "colour " + colour_text(m.colour) +
            (m.picture ? ", texture " + m.picture->label : "") +
            (m.missing_picture.empty() ? "" : ", texture " + m.missing_picture + " (not found)") +
            "\n";
    return out;
}

} // namespace

std::string notes_text(const std::vector<Note>& notes) {
    std::string out;
    for (const Note& n : notes)
        out += "  " + padded(n.topic, TOPIC_WIDTH) + n.text + "\n";
    return out;
}

std::string model_listing(const SourceScene& scene, const ImportResult& result) {
    std::set<int32_t> animated;
    if (result.clip_index >= 0)
        for (const Channel& c : scene.clips[static_cast<std::size_t>(result.clip_index)].channels)
            animated.insert(c.node);
    std::string out = node_lines(scene, animated) + mesh_lines(scene);
    out += "bones (" + count_text(static_cast<int64_t>(scene.bones.size())) + ")\n";
    for (const std::string& b : scene.bones)
        out += "  " + b + "\n";
    out += clip_lines(scene) + material_lines(scene);
    out += "the import would make " + std::to_string(result.files.size()) + " files:\n";
    out += notes_text(result.notes);
    const Use& u = result.use;
    out += "  " + padded("use", TOPIC_WIDTH) + "per walker " + count_text(u.positions) +
           " positions, " + count_text(u.texcoords) + " texture coordinates, " +
           count_text(u.primitive_bytes) + " primitive bytes; for " + std::to_string(WALKER_COUNT) +
           " walkers " + count_text(int64_t{WALKER_COUNT} * u.positions) + ", " +
           count_text(int64_t{WALKER_COUNT} * u.texcoords) + ", " +
           count_text(int64_t{WALKER_COUNT} * u.primitive_bytes) + "\n";
    return out;
}

} // namespace walkers::import
