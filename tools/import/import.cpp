#include "import.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <set>
#include <stdexcept>

#include "assets/animation.h"
#include "assets/section.h"
#include "bytes.h"
#include "data_texts.h"
#include "fitting.h"
#include "frontend/check.h"
#include "pictures.h"
#include "pose.h"
#include "render/texture_table.h"
#include "scene/scene.h"
#include "scene/transform_pass.h"
#include "stick_figure.h"

namespace walkers::import {
namespace {

using writers::AnimationText;
using writers::Field;

// Moments of the clip looked at to decide which parts may merge.
constexpr int32_t MOTION_SAMPLES = 48;
// The text files keep walkers-check's warning line too.
constexpr int32_t BLOB_ALLOWANCE = SECTION_BLOB_CAPACITY * check::BUDGET_WARNING_PERCENT / 100;
// What a key and a part's entry in a pose take of "an.txt"'s blob.
constexpr int32_t KEY_RECORD_BYTES = writers::fixed_record_bytes(writers::ANIMATION_KEY_FORMAT);
constexpr int32_t POSE_ENTRY_BYTES = writers::fixed_record_bytes(writers::ANIMATION_POSE_FORMAT);
// A sample held longer than a step takes two keys (clip.h).
constexpr int32_t KEYS_PER_HELD_SAMPLE = 2;
// Strays below these are not worth a word: a joint a hundredth of the height
// away, a scale changing by 1 %.
constexpr double STRAY_SHARE = 0.01;
constexpr double SCALE_CHANGE = 0.01;
constexpr std::size_t NAME_CHARS = 20;
constexpr std::size_t NAMES_LISTED = 8;

// The outfits of a stick figure, which has no colour of its own: a rust, an
// ochre and a slate, so the nine figures tell apart in threes.
constexpr std::array<std::array<uint8_t, 3>, 3> STICK_OUTFITS{
    {{200, 90, 60}, {220, 180, 70}, {80, 130, 200}}};

writers::Point minus(writers::Point a, writers::Point b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

std::string count_list(const std::vector<std::string>& names) {
    std::string out;
    for (std::size_t i = 0; i < names.size() && i < NAMES_LISTED; ++i)
        out += (i ? ", " : "") + names[i];
    if (names.size() > NAMES_LISTED)
        out += " and " + std::to_string(names.size() - NAMES_LISTED) + " more";
    return out;
}

// check::counted would do but for the thousands, which it writes as walkers-check
// prints them, unseparated.
std::string plural(int64_t n, const std::string& one, const std::string& many) {
    return count_text(n) + " " + (n == 1 ? one : many);
}

std::string fixed(double v, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
    return buffer;
}

// A file name from free text: `prefix`, then the text's letters (lower case),
// digits and '_' (at most 20), then `suffix`, at most `most` characters in all.
std::string file_name(const std::string& prefix, const std::string& text, const std::string& suffix,
                      std::size_t most) {
    const std::size_t room =
        most > prefix.size() + suffix.size() ? most - prefix.size() - suffix.size() : 0;
    std::string out;
    for (unsigned char c : text) {
        if (out.size() >= std::min(room, NAME_CHARS)) break;
        if (std::isalnum(c))
            out += static_cast<char>(std::tolower(c));
        else if (!out.empty() && out.back() != '_')
            out += '_';
    }
    while (!out.empty() && out.back() == '_')
        out.pop_back();
    return prefix + out + suffix;
}

// A texture's file name, short enough for a texture slot's name field.
std::string texture_file_name(const std::string& prefix, const std::string& text) {
    return file_name(prefix, text, ".bmp", TEXTURE_NAME_BYTES - 1);
}

const SourceClip* choose_clip(const SourceScene& scene, const std::string& name, int32_t& index) {
    index = -1;
    if (scene.clips.empty()) {
        if (!name.empty()) throw ImportError("the model has no animation named \"" + name + "\"");
        return nullptr;
    }
    if (name.empty()) {
        index = 0;
        return &scene.clips[0];
    }
    std::vector<std::string> names;
    for (std::size_t i = 0; i < scene.clips.size(); ++i) {
        if (scene.clips[i].name == name) {
            index = static_cast<int32_t>(i);
            return &scene.clips[i];
        }
        names.push_back("\"" + scene.clips[i].name + "\"");
    }
    throw ImportError("the model has no animation named \"" + name + "\"; it has " +
                      count_list(names));
}

// The clip's placements at a few moments, for deciding which parts may merge.
std::vector<std::vector<Affine>> motion_of(const SourceScene& scene, const SourceClip* clip) {
    std::vector<std::vector<Affine>> motion;
    const double seconds = clip_seconds(clip);
    if (!(seconds > 0)) return motion;
    for (int32_t i = 0; i < MOTION_SAMPLES; ++i)
        motion.push_back(node_placements(scene, clip, seconds * i / MOTION_SAMPLES));
    return motion;
}

// Untextured faces are drawn in shades of their colour by how they face a
// light from above, in front and to the left, so a shape reads as a shape
// and not as a silhouette (the renderer lights nothing). The brightest shade
// is the colour itself.
constexpr int32_t SHADES = 4;
constexpr std::array<int32_t, SHADES> SHADE_PERCENT{100, 82, 66, 50};
constexpr std::array<double, SHADES - 1> SHADE_FROM{0.75, 0.45, 0.15}; // cosine to the light
const Vec3 LIGHT = [] {
    const Vec3 towards{-0.3, -0.8, -0.5}; // up is -y, the viewer -z
    return (1 / length(towards)) * towards;
}();

struct Materials {
    std::vector<Surface> surfaces;  // material * SHADES + shade
    std::vector<DataFile> textures; // every texture a surface may use
    int32_t plain = -1;             // the material on plain faces
    bool shaded = true;
    std::vector<int32_t> brightest; // per material: the brightest shade its faces get
    std::optional<std::array<uint8_t, 3>> picture_colour; // of the first picture
};

std::array<uint8_t, 3> shade_of(std::array<uint8_t, 3> colour, int32_t shade) {
    for (uint8_t& c : colour)
        c = static_cast<uint8_t>(c * SHADE_PERCENT[static_cast<std::size_t>(shade)] / 100);
    return colour;
}

// The picture surface of material i, with its texture made; false when it has none.
bool picture_surface(const SourceMaterial& mat, Materials& m,
                     std::map<std::string, std::string>& made, Surface& s,
                     std::vector<Note>& notes) {
    if (!mat.picture) {
        if (!mat.missing_picture.empty())
            notes.push_back({"texture", mat.missing_picture + " is not there; material \"" +
                                            mat.name + "\" keeps its colour"});
        return false;
    }
    try {
        const RgbPicture picture = decode_picture(*mat.picture);
        if (!m.picture_colour) m.picture_colour = mean_colour(picture);
        auto [it, added] = made.emplace(
            mat.picture->label,
            texture_file_name("t" + std::to_string(made.size()) + "_",
                              std::filesystem::path(mat.picture->label).stem().string()));
        if (added) {
            const writers::Image16 image = texture_image(picture);
            m.textures.push_back({it->second, writers::bmp16_file(image)});
            notes.push_back({"texture", it->second + ": " + std::to_string(image.width()) + " x " +
                                            std::to_string(image.height()) + " from " +
                                            mat.picture->label + " (" +
                                            std::to_string(picture.width) + " x " +
                                            std::to_string(picture.height) + ")"});
        }
        s = {SurfaceKind::picture, it->second};
        return true;
    } catch (const ImportError& e) {
        notes.push_back({"texture", std::string(e.what()) + "; material \"" + mat.name +
                                        "\" keeps its colour"});
        return false;
    }
}

Materials make_surfaces(const SourceScene& scene, bool stick, std::vector<Note>& notes) {
    Materials m;
    m.shaded = !stick;
    std::vector<double> area(scene.materials.size(), 0);
    for (const SourceTriangle& t : scene.triangles)
        area[static_cast<std::size_t>(t.material)] += triangle_area(t.corner);
    std::vector<bool> pictured(scene.materials.size(), false);
    std::map<std::string, std::string> made; // picture label -> texture file
    m.surfaces.resize(scene.materials.size() * SHADES);
    for (std::size_t i = 0; i < scene.materials.size(); ++i) {
        Surface s;
        if (area[i] > 0 && picture_surface(scene.materials[i], m, made, s, notes)) {
            pictured[i] = true;
            std::fill_n(m.surfaces.begin() + static_cast<std::ptrdiff_t>(i * SHADES), SHADES, s);
        }
    }
    // The untextured material that covers most wears the outfits.
    for (std::size_t i = 0; i < scene.materials.size(); ++i)
        if (!pictured[i] && area[i] > 0 &&
            (m.plain < 0 || area[i] > area[static_cast<std::size_t>(m.plain)]))
            m.plain = static_cast<int32_t>(i);
    for (std::size_t i = 0; i < scene.materials.size(); ++i) {
        if (pictured[i] || area[i] <= 0) continue;
        for (int32_t k = 0; k < SHADES; ++k) {
            Surface& s = m.surfaces[i * SHADES + static_cast<std::size_t>(k)];
            if (static_cast<int32_t>(i) == m.plain && (k == 0 || !m.shaded)) continue; // plain
            const std::string name = texture_file_name(
                "c" + std::to_string(i) + "s" + std::to_string(k) + "_", scene.materials[i].name);
            s = {SurfaceKind::colour, name};
            m.textures.push_back(
                {name, writers::bmp16_file(colour_image(shade_of(scene.materials[i].colour, k)))});
        }
    }
    if (m.shaded && m.plain >= 0)
        notes.push_back({"shading", "untextured faces in " + std::to_string(SHADES) +
                                        " shades of their colour by how they face a light from "
                                        "above and in front; the brightest are the plain faces"});
    return m;
}

// The shade of a face whose outward normal (renderer axes) is n.
int32_t shade_for(Vec3 n) {
    const double l = length(n);
    const double facing = l > 0 ? dot(n, LIGHT) / l : 0;
    int32_t shade = 0;
    while (shade < SHADES - 1 && facing <= SHADE_FROM[static_cast<std::size_t>(shade)])
        ++shade;
    return shade;
}

// The textures the meshes name; more than the renderer's slots hold is refused.
void add_textures_used(const Materials& m, const std::vector<PartMesh>& parts,
                       std::vector<DataFile>& files) {
    std::set<std::string> used;
    for (const PartMesh& p : parts)
        used.insert(p.mesh.texture_names().begin(), p.mesh.texture_names().end());
    const auto room = static_cast<std::size_t>(TEXTURE_SLOTS) - START_TEXTURES.size();
    if (used.size() > room)
        throw ImportError("the model needs " + std::to_string(used.size()) +
                          " textures; the renderer has " + std::to_string(room) +
                          " texture slots beside the three start-up textures");
    for (const DataFile& t : m.textures)
        if (used.count(t.name)) files.push_back(t);
}

// The three start-up textures, and what they hold.
void add_outfits(const SourceScene& scene, const Materials& m, bool stick,
                 std::vector<DataFile>& files, std::vector<Note>& notes) {
    std::array<std::array<uint8_t, 3>, 3> colours{};
    std::string what;
    if (stick) {
        colours = STICK_OUTFITS;
        what = "three colours for the stick figure's plain faces (rust, ochre, slate)";
    } else if (m.plain >= 0) {
        const SourceMaterial& mat = scene.materials[static_cast<std::size_t>(m.plain)];
        colours.fill(mat.colour);
        what = "the colour of material \"" + mat.name + "\" (" + std::to_string(mat.colour[0]) +
               ", " + std::to_string(mat.colour[1]) + ", " + std::to_string(mat.colour[2]) +
               "), worn by its plain faces";
    } else {
        colours.fill(m.picture_colour.value_or(std::array<uint8_t, 3>{128, 128, 128}));
        what = "the textures' mean colour; every face is textured, so no face wears them "
               "and walkers-check warns that they are unused";
    }
    for (std::size_t k = 0; k < START_TEXTURES.size(); ++k)
        files.push_back({START_TEXTURES[k], writers::bmp16_file(colour_image(colours[k]))});
    notes.push_back({"outfits", "ome16.bmp, buki16.bmp, ho16.bmp: 2 x 2, " + what});
}

// Each part's triangles in its own frame, wound clockwise as seen from outside.
std::vector<std::vector<LocalTriangle>> local_triangles(const SourceScene& scene,
                                                        const PartPlan& parts, const Fit& fit,
                                                        const std::vector<writers::Point>& joints,
                                                        const Materials& m) {
    std::vector<std::vector<LocalTriangle>> out(parts.node.size());
    for (const SourceTriangle& t : scene.triangles) {
        const int32_t p = parts.part_of_node[static_cast<std::size_t>(t.owner)];
        if (p < 0) continue;
        const writers::Point& j = joints[static_cast<std::size_t>(p)];
        const Vec3 origin{double(j.x), double(j.y), double(j.z)};
        LocalTriangle l;
        // File winding is counter-clockwise seen from outside; the renderer
        // keeps faces that are clockwise on its y-down screen.
        constexpr std::array<std::size_t, 3> order{0, 2, 1};
        for (std::size_t k = 0; k < 3; ++k) {
            l.corner[k] = fit.place(t.corner[order[k]]) - origin;
            l.uv[k] = t.uv[order[k]];
        }
        const int32_t base = t.material * SHADES;
        const bool pictured =
            m.surfaces[static_cast<std::size_t>(base)].kind == SurfaceKind::picture;
        // Outward: the file winds its faces counter-clockwise seen from outside.
        const int32_t shade = shade_for(fit.axes * triangle_normal(t.corner)) -
                              m.brightest[static_cast<std::size_t>(t.material)];
        l.surface = base + (m.shaded && !pictured ? shade : 0);
        out[static_cast<std::size_t>(p)].push_back(l);
    }
    return out;
}

std::vector<writers::Point> joints_of(const SourceScene& scene, const PartPlan& parts,
                                      const Fit& fit) {
    std::vector<writers::Point> joints;
    for (int32_t node : parts.node) {
        joints.push_back(
            rounded(fit.place(scene.nodes[static_cast<std::size_t>(node)].global.offset)));
    }
    return joints;
}

// Samples "an.txt" holds for `parts` parts: keys and poses within the allowance,
// beside what it holds without any (section headers, the head's record, the
// terminator), measured on the writer's own file.
int32_t samples_room(int32_t parts, double fps) {
    int32_t overhead = 0;
    writers::animation_file_text({}, &overhead);
    const int32_t keys = fps >= DEMO_FRAMES_PER_SECOND ? 1 : KEYS_PER_HELD_SAMPLE;
    const int32_t per_sample = parts * POSE_ENTRY_BYTES + keys * KEY_RECORD_BYTES;
    return std::max(1, (BLOB_ALLOWANCE - overhead) / per_sample);
}

// Degrees the animation loader turns back into exactly `units`.
float degrees_for(int32_t units) {
    const auto f = writers::exact_float(units, static_cast<double>(DEGREES_TO_ANGLE));
    if (!f)
        throw std::logic_error("internal error: no degree value gives angle " +
                               std::to_string(units));
    return *f;
}

std::string node_name(const SourceScene& scene, int32_t node) {
    return scene.nodes[static_cast<std::size_t>(node)].name;
}

void note_parts(const SourceScene& scene, const PartPlan& parts, int32_t asked,
                std::vector<Note>& notes) {
    std::vector<std::string> merged;
    for (int32_t n : parts.merged)
        merged.push_back(node_name(scene, n));
    notes.push_back(
        {"parts", plural(static_cast<int64_t>(parts.node.size()), "part", "parts") + " from " +
                      plural(static_cast<int64_t>(scene.nodes.size()), "node", "nodes") +
                      ", hierarchy " + std::to_string(parts.depth) +
                      (parts.depth == 1 ? " level" : " levels") +
                      " deep; nodes without faces are no parts, the parts below "
                      "them follow them"});
    if (!merged.empty())
        notes.push_back({"merged", plural(static_cast<int64_t>(merged.size()), "part", "parts") +
                                       " with the least geometry or motion into their parents (" +
                                       std::to_string(asked) +
                                       " parts at most): " + count_list(merged)});
}

void note_clip(const SourceScene& scene, const ClipPlan& clip, const Strays& strays,
               const PartPlan& parts, const Fit& fit, double fps, std::vector<Note>& notes) {
    if (clip.name.empty() || !(clip.seconds > 0)) {
        notes.push_back(
            {"animation", clip.name.empty()
                              ? "none: the model stands in its rest pose (one key)"
                              : "\"" + clip.name + "\" lasts no time: the rest pose (one key)"});
        return;
    }
    const auto kept = static_cast<int32_t>(clip.times.size());
    notes.push_back({"animation", "\"" + clip.name + "\": " + fixed(clip.seconds, 2) + " s, " +
                                      fixed(fps, 0) +
                                      " poses a second, each held for its steps "
                                      "at 60 frames a second: " +
                                      plural(kept, "pose", "poses")});
    if (kept < clip.samples_wanted)
        notes.push_back({"cut", "an.txt holds " + std::to_string(kept) + " of the clip's " +
                                    std::to_string(clip.samples_wanted) + " poses for " +
                                    std::to_string(parts.node.size()) +
                                    " parts: it plays the first " +
                                    fixed(clip.seconds * kept / clip.samples_wanted, 2) +
                                    " s and loops (a lower --fps or --parts keeps more)"});
    const double height = fit.height;
    if (strays.joint > STRAY_SHARE * height) {
        const auto p = static_cast<std::size_t>(strays.joint_part);
        const std::string name = node_name(scene, parts.node[p]);
        const std::string far = fixed(strays.joint, 0) + " units";
        notes.push_back(
            {"dropped", parts.parent[p] < 0
                            ? "root motion: " + name + " travels up to " + far +
                                  "; the scene moves the walkers itself, the parts only turn"
                            : "translation: " + name + "'s joint strays up to " + far +
                                  " from where its parent part's turn puts it (translation "
                                  "channels, or bones merged between them); parts turn about "
                                  "fixed joints"});
    }
    if (strays.scale > SCALE_CHANGE)
        notes.push_back({"dropped", "scale channels: " + node_name(scene, strays.scale_node) +
                                        " changes size by up to " + fixed(100 * strays.scale, 0) +
                                        " %"});
}

std::string animation_text(const SourceScene& scene, const PartPlan& parts, const ClipPlan& clip,
                           const std::vector<std::vector<Angles>>& poses, int32_t* blob_bytes) {
    AnimationText a;
    a.header = {"an.txt - " +
                    (clip.name.empty() ? std::string("the rest pose") : "\"" + clip.name + "\"") +
                    " of " +
                    (scene.file.empty() ? std::string("a model") : scene.file.filename().string()) +
                    ", loaded once per walker.",
                "Written by walkers-import: import the model again to change it.",
                "",
                "Each key shows its own pose on its first step, then moves back towards",
                "the previous key's pose. So every pose is held: a key of one step shows",
                "it, then a key of the pose's remaining steps repeats it, and the blend",
                "between the two equal poses keeps it still."};
    for (int32_t node : parts.node)
        a.part_names.push_back(node_name(scene, node));
    a.keys = hold_keys(clip.steps);
    for (const std::vector<Angles>& pose : poses) {
        std::vector<Field> fields;
        for (const Angles& r : pose)
            fields.push_back(
                Field::exact_vector({degrees_for(r.x), degrees_for(r.y), degrees_for(r.z), 0}));
        a.poses.push_back(std::move(fields));
    }
    return writers::animation_file_text(a, blob_bytes);
}

void check_blob(const std::string& file, int32_t bytes) {
    if (bytes > BLOB_ALLOWANCE)
        throw ImportError(file + " would parse into " + std::to_string(bytes) +
                          " bytes, more than the " + std::to_string(BLOB_ALLOWANCE) + " allowed");
}

} // namespace

std::string count_text(int64_t n) {
    std::string digits = std::to_string(n < 0 ? -n : n);
    for (auto i = static_cast<int64_t>(digits.size()) - 3; i > 0; i -= 3)
        digits.insert(static_cast<std::size_t>(i), ",");
    return (n < 0 ? "-" : "") + digits;
}

ImportResult import_scene(SourceScene scene, const ImportOptions& options) {
    ImportResult result;
    std::vector<Note>& notes = result.notes;
    const SourceClip* clip = choose_clip(scene, options.animation, result.clip_index);
    const Allowance allowance = walker_allowance();
    const bool stick = scene.skeleton_only;
    if (stick) {
        const int32_t boxes =
            std::min(allowance.positions / STICK_BOX_VERTICES,
                     allowance.primitive_bytes / (STICK_BOX_QUADS * QUAD_RECORD_BYTES));
        const StickFigure figure = add_stick_figure(scene, boxes);
        notes.push_back(
            {"stick figure",
             "a skeleton without meshes: " +
                 std::to_string(figure.bones - static_cast<int32_t>(figure.skipped.size())) +
                 " of its " + std::to_string(figure.bones) + " bones as tapered boxes" +
                 (figure.skipped.empty()
                      ? std::string()
                      : "; the budget skips the shortest: " + count_list(figure.skipped))});
    }
    if (scene.non_finite_triangles > 0)
        notes.push_back({"dropped", plural(scene.non_finite_triangles, "triangle", "triangles") +
                                        " with a corner that is not a finite number"});
    if (scene.triangles.empty()) throw ImportError("the model has no faces to draw");
    const Forward forward = options.forward.value_or(default_forward(scene.extension));
    result.fit = fit_model(scene.triangles, forward, options.height);
    notes.push_back({"fit", "x " + fixed(result.fit.scale, 4) + ": " + fixed(result.fit.height, 0) +
                                " units tall, soles at y = 0, centred in x and z; the model's " +
                                forward_name(forward) + " faces the viewer"});
    if (result.fit.too_deep)
        notes.push_back({"fit", "not " + fixed(options.height, 0) +
                                    " units tall: the model is long or wide for its height, and "
                                    "the renderer drops faces nearer than its depth 0, which "
                                    "lies " +
                                    std::to_string(JUMP_TARGET[2] + CAMERA_SHIFT) +
                                    " units in front of a walker at the jump point"});
    Materials materials = make_surfaces(scene, stick, notes);
    // Each material's brightest faces show its colour itself; the others shade down from it.
    materials.brightest.assign(scene.materials.size(), SHADES - 1);
    for (const SourceTriangle& t : scene.triangles) {
        int32_t& b = materials.brightest[static_cast<std::size_t>(t.material)];
        b = std::min(b, shade_for(result.fit.axes * triangle_normal(t.corner)));
    }
    const std::vector<std::vector<Affine>> motion = motion_of(scene, clip);
    std::optional<FittedMeshes> fitted;
    std::vector<std::vector<LocalTriangle>> local;
    std::vector<writers::Point> joints; // per part, in model units
    int32_t max_parts = options.max_parts;
    for (; max_parts >= 1 && !fitted; --max_parts) {
        result.parts = plan_parts(scene, motion, max_parts);
        joints = joints_of(scene, result.parts, result.fit);
        local = local_triangles(scene, result.parts, result.fit, joints, materials);
        fitted = fit_meshes(local, materials.surfaces, allowance);
    }
    if (!fitted) throw ImportError("the model does not fit nine walkers even as one part");
    note_parts(scene, result.parts, max_parts + 1, notes);
    result.use = fitted->use;

    // The files: meshes, textures, the start-up textures, the model, the animation.
    std::vector<writers::ModelPartText> records;
    for (std::size_t p = 0; p < result.parts.node.size(); ++p) {
        const PartMesh& pm = fitted->parts[p];
        const std::string name = node_name(scene, result.parts.node[p]);
        const std::string file =
            file_name("p" + std::to_string(p) + "_", name, ".msh", NAME_CHARS + 10);
        try {
            result.files.push_back({file, pm.mesh.serialise()});
        } catch (const std::runtime_error& e) {
            throw ImportError("part \"" + name + "\": " + e.what());
        }
        if (pm.kept_triangles < pm.source_triangles)
            notes.push_back(
                {"simplified",
                 name + ": " + count_text(pm.source_triangles) + " → " +
                     plural(pm.kept_triangles, "triangle", "triangles") + " (" +
                     plural(pm.mesh.triangle_count() + pm.mesh.quad_count(), "face", "faces") +
                     ")"});
        const int32_t up = result.parts.parent[p];
        const writers::Point base =
            up < 0 ? writers::Point{0, 0, 0} : joints[static_cast<std::size_t>(up)];
        records.push_back({name, file, result.parts.pop_count[p], up, minus(joints[p], base)});
    }
    add_textures_used(materials, fitted->parts, result.files);
    add_outfits(scene, materials, stick, result.files, notes);

    int32_t model_bytes = 0;
    const std::string model = writers::model_file_text(
        {"mdt.txt - " +
             (scene.file.empty() ? std::string("a model") : scene.file.filename().string()) +
             ", loaded once per walker.",
         "Written by walkers-import: import the model again to change it."},
        records, &model_bytes);
    check_blob("mdt.txt", model_bytes);
    result.files.push_back(writers::text_file("mdt.txt", model));

    const auto part_count = static_cast<int32_t>(result.parts.node.size());
    result.clip = plan_clip(clip, options.fps, samples_room(part_count, options.fps));
    const auto poses = sample_poses(scene, clip, result.parts, result.fit, result.clip);
    int32_t animation_bytes = 0;
    const std::string animation =
        animation_text(scene, result.parts, result.clip, poses, &animation_bytes);
    check_blob("an.txt", animation_bytes);
    result.files.push_back(writers::text_file("an.txt", animation));
    note_clip(scene, result.clip,
              measure_strays(scene, clip, result.parts, result.fit, result.clip), result.parts,
              result.fit, options.fps, notes);
    return result;
}

ImportResult import_model(const std::filesystem::path& file, const ImportOptions& options) {
    return import_scene(read_model_file(file), options);
}

} // namespace walkers::import
