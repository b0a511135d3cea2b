// walkers-import: rotations against the core's own matrices; a branching model
// the tests write as glTF, whose rest and posed vertices come back through the
// core's own transform where the file puts them, with its pop counts and the
// keys that play its clip at its speed; budget fitting and the refusal of a
// model that needs more textures than there are slots; where and how a folder
// is put in place; pictures of any kind made into textures the loader reads;
// the tool's exit statuses; and real models of Debian's assimp-testmodels
// through walkers-check and walkers-snapshot.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "angles.h"
#include "assets/animation.h"
#include "assets/bmp.h"
#include "assets/model.h"
#include "assets/model_file.h"
#include "fitting.h"
#include "folder.h"
#include "fresh_state.h"
#include "frontend/check.h"
#include "geometry/math_tables.h"
#include "geometry/matrix.h"
#include "geometry/transform.h"
#include "geometry/trig.h"
#include "import.h"
#include "render/rgb555.h"
#include "render/texture_table.h"
#include "scene/scene.h"
#include "tool_run.h"

namespace walkers {
namespace {

namespace fs = std::filesystem;
using namespace walkers::import;
using testing::read_text;
using testing::ScratchDir;

// --- running the tools ------------------------------------------------------

struct ToolRun : testing::ToolRun {
    std::string err;
};

ToolRun run(const std::string& program, const std::string& args) {
    const ScratchDir scratch("run");
    const fs::path err = scratch.path() / "stderr";
    ToolRun r{testing::run_command("'" + program + "' " + args + " 2>'" + err.string() + "'"), {}};
    r.err = read_text(err);
    return r;
}

ToolRun import_tool(const std::string& args) {
    return run(WALKERS_IMPORT_EXE, args);
}

std::string quoted(const fs::path& p) {
    return "'" + p.string() + "'";
}

int64_t lines(const std::string& text) {
    return std::count(text.begin(), text.end(), '\n');
}

// --- models the tests write ---------------------------------------------------

std::string base64(const std::vector<uint8_t>& bytes) {
    static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const uint32_t n = bytes[i] << 16 | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0) |
                           (i + 2 < bytes.size() ? bytes[i + 2] : 0);
        for (std::size_t k = 0; k < 4; ++k)
            out += i + k <= bytes.size() ? digits[(n >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

void put_floats(std::vector<uint8_t>& out, std::initializer_list<float> values) {
    for (float f : values) {
        uint8_t b[4];
        std::memcpy(b, &f, 4);
        out.insert(out.end(), b, b + 4);
    }
}

Quat turn(Vec3 axis, double degrees) {
    const double h = degrees * std::numbers::pi / 360;
    const double s = std::sin(h) / length(axis);
    return {std::cos(h), axis.x * s, axis.y * s, axis.z * s};
}

struct TestNode {
    std::string name;
    int32_t parent;
    Vec3 position;
    Quat rotation;
    std::vector<Quat> keys; // rotation keys, one every KEY_SECONDS; empty: none
};

constexpr double CUBE = 0.1;
constexpr double KEY_SECONDS = 0.2;

// A cube of side 2 CUBE at every node, in glTF text with its buffer inside.
std::string gltf(const std::vector<TestNode>& nodes) {
    std::vector<uint8_t> buf;
    for (int i = 0; i < 8; ++i)
        put_floats(buf, {float(i & 1 ? CUBE : -CUBE), float(i & 2 ? CUBE : -CUBE),
                         float(i & 4 ? CUBE : -CUBE)});
    // Counter-clockwise seen from outside, as glTF wants.
    const uint16_t faces[36] = {0, 2, 1, 1, 2, 3, 4, 5, 6, 5, 7, 6, 0, 1, 4, 1, 5, 4,
                                2, 6, 3, 3, 6, 7, 0, 4, 2, 2, 4, 6, 1, 3, 5, 3, 7, 5};
    for (uint16_t i : faces)
        buf.insert(buf.end(), {uint8_t(i & 255), uint8_t(i >> 8)});
    std::string views = "{\"buffer\":0,\"byteOffset\":0,\"byteLength\":96},"
                        "{\"buffer\":0,\"byteOffset\":96,\"byteLength\":72}";
    std::string accessors = "{\"bufferView\":0,\"componentType\":5126,\"count\":8,\"type\":"
                            "\"VEC3\",\"min\":[-0.1,-0.1,-0.1],"
                            "\"max\":[0.1,0.1,0.1]},{\"bufferView\":1,\"componentType\":5123,"
                            "\"count\":36,\"type\":\"SCALAR\"}";
    std::string nodes_text, channels, samplers, roots;
    int32_t accessor = 2, view = 2;
    for (std::size_t n = 0; n < nodes.size(); ++n) {
        const TestNode& t = nodes[n];
        std::string children;
        for (std::size_t c = 0; c < nodes.size(); ++c)
            if (nodes[c].parent == int32_t(n))
                children += (children.empty() ? "" : ",") + std::to_string(c);
        if (t.parent < 0) roots += (roots.empty() ? "" : ",") + std::to_string(n);
        char text[512];
        std::snprintf(text, sizeof text,
                      "%s{\"name\":\"%s\",\"mesh\":0,\"translation\":[%.9g,%.9g,%.9g],"
                      "\"rotation\":[%.9g,%.9g,%.9g,%.9g]%s%s%s}",
                      n ? "," : "", t.name.c_str(), t.position.x, t.position.y, t.position.z,
                      t.rotation.x, t.rotation.y, t.rotation.z, t.rotation.w,
                      children.empty() ? "" : ",\"children\":[", children.c_str(),
                      children.empty() ? "" : "]");
        nodes_text += text;
        if (t.keys.empty()) continue;
        const std::size_t at = buf.size();
        for (std::size_t k = 0; k < t.keys.size(); ++k)
            put_floats(buf, {float(k * KEY_SECONDS)});
        for (const Quat& q : t.keys)
            put_floats(buf, {float(q.x), float(q.y), float(q.z), float(q.w)});
        const std::size_t k = t.keys.size();
        views += ",{\"buffer\":0,\"byteOffset\":" + std::to_string(at) +
                 ",\"byteLength\":" + std::to_string(4 * k) + "}";
        views += ",{\"buffer\":0,\"byteOffset\":" + std::to_string(at + 4 * k) +
                 ",\"byteLength\":" + std::to_string(16 * k) + "}";
        accessors += ",{\"bufferView\":" + std::to_string(view) +
                     ",\"componentType\":5126,\"count\":" + std::to_string(k) +
                     ",\"type\":\"SCALAR\",\"min\":[0],\"max\":[" +
                     std::to_string((k - 1) * KEY_SECONDS) + "]}";
        accessors += ",{\"bufferView\":" + std::to_string(view + 1) +
                     ",\"componentType\":5126,\"count\":" + std::to_string(k) +
                     ",\"type\":\"VEC4\"}";
        const std::string s = std::to_string(
            samplers.empty() ? 0 : std::count(samplers.begin(), samplers.end(), '{'));
        samplers += (samplers.empty() ? "" : ",") + std::string("{\"input\":") +
                    std::to_string(accessor) + ",\"output\":" + std::to_string(accessor + 1) + "}";
        channels += (channels.empty() ? "" : ",") + std::string("{\"sampler\":") + s +
                    ",\"target\":{\"node\":" + std::to_string(n) + ",\"path\":\"rotation\"}}";
        accessor += 2;
        view += 2;
    }
    return "{\"asset\":{\"version\":\"2.0\"},\"scene\":0,\"scenes\":[{\"nodes\":[" + roots +
           "]}],"
           "\"nodes\":[" +
           nodes_text +
           "],"
           "\"meshes\":[{\"primitives\":[{\"attributes\":{\"POSITION\":0},\"indices\":1}]}],"
           "\"buffers\":[{\"byteLength\":" +
           std::to_string(buf.size()) + ",\"uri\":\"data:application/octet-stream;base64," +
           base64(buf) +
           "\"}],"
           "\"bufferViews\":[" +
           views + "],\"accessors\":[" + accessors + "]" +
           (channels.empty() ? std::string()
                             : ",\"animations\":[{\"name\":\"swing\",\"samplers\":[" + samplers +
                                   "],\"channels\":[" + channels + "]}]") +
           "}";
}

// A small figure: hips carrying a torso (with a head and an arm that has a
// hand) and two legs, the left with a foot; turned joints in every direction,
// and a clip that swings the torso, the arm and a leg, its last key its first.
std::vector<TestNode> figure() {
    const Quat none;
    const double keys = 5;
    auto swing = [&](Vec3 axis, double a, double b) {
        std::vector<Quat> q;
        for (double k = 0; k < keys; ++k)
            q.push_back(turn(axis, k == keys - 1 ? a : a + (b - a) * std::sin(k * 2.1)));
        return q;
    };
    return {
        {"hips", -1, {0, 1.0, 0}, turn({0, 1, 0}, 30), {}},
        {"torso", 0, {0, 0.3, 0.05}, turn({1, 0, 0}, -20), swing({0, 1, 0}, 10, 140)},
        {"head", 1, {0, 0.35, 0}, turn({1, 1, 0}, 45), {}},
        {"arm_l", 1, {0.3, 0.2, 0}, turn({0, 0, 1}, 200), swing({0, 0, 1}, -60, 100)},
        {"hand_l", 3, {0, 0.3, 0}, none, {}},
        {"leg_l", 0, {0.15, -0.3, 0}, turn({1, 0, 1}, -70), swing({1, 0, 0}, 0, -170)},
        {"foot_l", 5, {0, -0.4, 0.1}, none, {}},
        {"leg_r", 0, {-0.15, -0.3, 0}, turn({0, 1, 1}, 300), {}},
    };
}

// Where the file puts node n at `seconds` into the clip (keys fall on the
// samples); at rest for seconds < 0.
Affine node_world(const std::vector<TestNode>& nodes, int32_t n, double seconds) {
    const TestNode& t = nodes[static_cast<std::size_t>(n)];
    Quat q = t.rotation;
    if (seconds >= 0 && !t.keys.empty())
        q = t.keys[static_cast<std::size_t>(std::lround(seconds / KEY_SECONDS)) % t.keys.size()];
    const Affine local{rotation_of(q), t.position};
    return t.parent < 0 ? local : compose(node_world(nodes, t.parent, seconds), local);
}

// --- the core's view of an imported folder -----------------------------------

class ImportTest : public testing::FreshState {
protected:
    // Each part's vertices in model units as the core's transform places them,
    // the model unmoved and unturned, its parts in pose `pose` of the
    // animation (-1: every rotation 0). Leaves the folder loaded.
    std::vector<std::vector<Vec3>> core_points(const fs::path& folder, int32_t pose) {
        testing::reset_all_modules();
        create_math_tables();
        set_projection_centre(0, 0);
        bind_streams();
        fs::current_path(folder);
        const int32_t model = load_model("mdt.txt");
        EXPECT_EQ(load_animation("an.txt", model), model);
        if (model < 0) return {};
        ModelSlot& slot = *model_slot(model);
        const auto parts = slot.parts.first(static_cast<std::size_t>(slot.part_count));
        const AnimationSlot* a = animation_slot(model);
        for (std::size_t p = 0; p < parts.size(); ++p) {
            const Vector4 r = pose < 0 ? Vector4{} : a->poses[std::size_t(pose) * parts.size() + p];
            parts[p].rotation = {r.x & ANGLE_MASK, r.y & ANGLE_MASK, r.z & ANGLE_MASK, 0};
        }
        // A camera that flattens z puts x and y on the screen one unit a pixel
        // (depth 0 divides by 256, which the projection's x 256 undoes); one
        // that does not gives z as the depth.
        FixedMatrix flat, deep;
        matrix_identity(flat);
        matrix_identity(deep);
        flat.m[2][2] = 0;
        std::vector<ScreenVertex> xy(SCREEN_VERTEX_CAPACITY), z(SCREEN_VERTEX_CAPACITY);
        const Vector4 origin{0, 0, 0, 0}, unit{1, 1, 1, 0};
        transform_hierarchy(origin, origin, unit, parts, flat, xy);
        transform_hierarchy(origin, origin, unit, parts, deep, z);
        std::vector<std::vector<Vec3>> out;
        for (const ModelPart& part : parts) {
            std::vector<Vec3> points;
            for (int32_t i = 0; i < part.vertex_count; ++i) {
                const auto k = static_cast<std::size_t>(part.first_vertex + i);
                points.push_back({double(xy[k].x), double(xy[k].y), double(z[k].depth)});
            }
            out.push_back(std::move(points));
        }
        fs::current_path(start_dir());
        return out;
    }

    fs::path write(const std::string& name, const std::string& text) {
        const fs::path p = scratch_.path() / name;
        std::ofstream(p, std::ios::binary) << text;
        return p;
    }

    ScratchDir scratch_{"import"};
};

double nearest(const std::vector<Vec3>& points, Vec3 p) {
    double least = 1e30;
    for (const Vec3& q : points)
        least = std::min(least, length(q - p));
    return least;
}

// The largest distance from a corner of each part's cube, where the file puts
// it at `seconds`, to the nearest vertex the core places for that part.
double largest_miss(const std::vector<TestNode>& nodes, const ImportResult& r,
                    const SourceScene& scene, const std::vector<std::vector<Vec3>>& core,
                    double seconds) {
    double most = 0;
    for (std::size_t p = 0; p < core.size(); ++p) {
        const std::string& name = scene.nodes[static_cast<std::size_t>(r.parts.node[p])].name;
        const auto n = std::find_if(nodes.begin(), nodes.end(),
                                    [&](const TestNode& t) { return t.name == name; });
        EXPECT_NE(n, nodes.end()) << name;
        if (n == nodes.end()) continue;
        const Affine world = node_world(nodes, int32_t(n - nodes.begin()), seconds);
        for (int i = 0; i < 8; ++i) {
            const Vec3 corner{i & 1 ? CUBE : -CUBE, i & 2 ? CUBE : -CUBE, i & 4 ? CUBE : -CUBE};
            most = std::max(most, nearest(core[p], r.fit.place(apply(world, corner))));
        }
    }
    return most;
}

// --- rotations ----------------------------------------------------------------

// The core's rotation for the angles, as this importer's column-form matrix.
Mat3 core_rotation(Angles a) {
    FixedMatrix m;
    matrix_rotation(m, Vector4{a.x, a.y, a.z, 0});
    Mat3 r;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            r.m[i][j] = double(m.m[j][i]) / FIXED_ONE; // the core's rows are our columns
    return r;
}

double largest_difference(const Mat3& a, const Mat3& b) {
    double most = 0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            most = std::max(most, std::abs(a.m[i][j] - b.m[i][j]));
    return most;
}

// Angles from every eighth of a turn on every axis (the middle of each, so none
// lies on the quarter turn of y where x and z share an axis): the rotation they
// stand for gives them back, and the core builds the same rotation from them
// to within its tables' rounding.
TEST_F(ImportTest, AnglesInEveryOctantRoundTripThroughTheCoresMatrix) {
    create_math_tables();
    for (int32_t x = 64; x < ANGLE_UNITS; x += 128)
        for (int32_t y = 64; y < ANGLE_UNITS; y += 128)
            for (int32_t z = 64; z < ANGLE_UNITS; z += 128) {
                const Angles a{x, y, z};
                const Mat3 exact = renderer_rotation(a);
                EXPECT_LT(largest_difference(core_rotation(a), exact), 3.0 / FIXED_ONE)
                    << x << " " << y << " " << z;
                const Angles back = renderer_angles(exact);
                EXPECT_LT(largest_difference(renderer_rotation(back), exact), 1e-9);
                // With cos ay < 0 the same rotation has the other triple.
                if (y < 256 || y > 768) {
                    EXPECT_EQ(back, a) << x << " " << y << " " << z;
                }
            }
}

// --- the written figure -------------------------------------------------------

TEST_F(ImportTest, BranchingHierarchyKeepsItsPartsAndPopCountsDepthFirst) {
    const fs::path file = write("figure.gltf", gltf(figure()));
    const SourceScene scene = read_model_file(file);
    const ImportResult r = import_scene(scene, {});
    std::vector<std::string> names;
    for (int32_t n : r.parts.node)
        names.push_back(scene.nodes[static_cast<std::size_t>(n)].name);
    EXPECT_EQ(names, (std::vector<std::string>{"hips", "torso", "head", "arm_l", "hand_l", "leg_l",
                                               "foot_l", "leg_r"}));
    EXPECT_EQ(r.parts.parent, (std::vector<int32_t>{-1, 0, 1, 1, 3, 0, 5, 0}));
    EXPECT_EQ(r.parts.pop_count, (std::vector<int32_t>{0, 0, 1, 0, 3, 0, 2, 0}));
    EXPECT_EQ(r.parts.depth, 4);
}

// Every corner lands within a unit of where the file puts it at rest (the
// projection truncates), and in every pose of the clip within that and what
// the angles' rounding may add: half a unit of 1024 a turn at each level of
// the hierarchy, at up to the model's height from the joint.
TEST_F(ImportTest, RestAndPosedVerticesLandWhereTheFilePutsThemThroughTheCoresTransform) {
    const std::vector<TestNode> nodes = figure();
    const fs::path file = write("figure.gltf", gltf(nodes));
    ImportOptions o;
    o.fps = 5; // one sample a key
    const SourceScene scene = read_model_file(file);
    const ImportResult r = import_scene(scene, o);
    ASSERT_EQ(r.clip.times.size(), 4u);
    write_data_folder(r.files, scratch_.path() / "out");
    EXPECT_LE(largest_miss(nodes, r, scene, core_points(scratch_.path() / "out", -1), -1), 1.0);
    const double rounding = 1 + r.parts.depth * std::numbers::pi / ANGLE_UNITS * r.fit.height;
    for (std::size_t q = 0; q < r.clip.times.size(); ++q)
        EXPECT_LE(largest_miss(nodes, r, scene, core_points(scratch_.path() / "out", int32_t(q)),
                               r.clip.times[q]),
                  rounding)
            << "pose " << q;
}

// Each sample is held for its steps at 60 a second: a one-step key showing it,
// then a key of its remaining steps with the same pose; the chain loops, and
// its steps add up to the clip's length.
TEST_F(ImportTest, KeysHoldEachPoseForItsStepsAndLoopAtTheClipsSpeed) {
    const fs::path file = write("figure.gltf", gltf(figure()));
    ImportOptions o;
    o.fps = 5;
    const ImportResult r = import_model(file, o);
    write_data_folder(r.files, scratch_.path() / "out");
    core_points(scratch_.path() / "out", -1);
    const AnimationSlot& a = *animation_slot(0);
    ASSERT_TRUE(a.complete);
    std::vector<std::array<int32_t, 3>> keys;
    for (const Keyframe& k : a.keys)
        keys.push_back({k.duration, k.next, k.pose});
    EXPECT_EQ(keys, (std::vector<std::array<int32_t, 3>>{{1, 1, 0},
                                                         {11, 2, 0},
                                                         {1, 3, 1},
                                                         {11, 4, 1},
                                                         {1, 5, 2},
                                                         {11, 6, 2},
                                                         {1, 7, 3},
                                                         {11, 0, 3}}));
    // Played, every step shows the pose of its sample exactly.
    for (int32_t step = 0; step < 48; ++step) {
        animation_step(0);
        const ModelSlot& m = *model_slot(0);
        const Vector4& want =
            a.poses[static_cast<std::size_t>((step + 12 - 11) / 12 % 4) * a.parts + 1];
        EXPECT_EQ(m.parts[1].rotation.y, want.y & ANGLE_MASK) << "step " << step;
    }
}

std::string painted_bmp(int32_t bits, int32_t w = 6, int32_t h = 3);

// --- budget -------------------------------------------------------------------

// A sphere of `rings` x 2 `rings` quads, each split in two, in OBJ text.
std::string sphere_obj(int32_t rings) {
    std::ostringstream out;
    for (int32_t i = 0; i <= rings; ++i)
        for (int32_t j = 0; j < 2 * rings; ++j) {
            const double a = std::numbers::pi * i / rings, b = std::numbers::pi * j / rings;
            out << "v " << std::sin(a) * std::cos(b) << " " << std::cos(a) << " "
                << std::sin(a) * std::sin(b) << "\n";
        }
    const auto v = [&](int32_t i, int32_t j) { return i * 2 * rings + (j % (2 * rings)) + 1; };
    for (int32_t i = 0; i < rings; ++i)
        for (int32_t j = 0; j < 2 * rings; ++j)
            out << "f " << v(i, j) << " " << v(i, j + 1) << " " << v(i + 1, j + 1) << "\nf "
                << v(i, j) << " " << v(i + 1, j + 1) << " " << v(i + 1, j) << "\n";
    return out.str();
}

// A sphere of 4,096 triangles is simplified into nine walkers' share of every
// capacity, with walkers-check's tenth spare, and the folder checks clean.
TEST_F(ImportTest, LargeMeshIsSimplifiedToFitNineWalkers) {
    // A long material name: its shades' texture names must fit a slot's 27 characters.
    write("sphere.mtl", "newmtl a_material_whose_name_goes_on_and_on\nKd 0.8 0.3 0.2\n");
    const ImportResult r = import_model(
        write("sphere.obj",
              "mtllib sphere.mtl\nusemtl a_material_whose_name_goes_on_and_on\n" + sphere_obj(32)),
        {});
    const Allowance a = walker_allowance();
    EXPECT_EQ(a.positions, 150);
    EXPECT_EQ(a.texcoords, 120);
    EXPECT_EQ(a.primitive_bytes, 6000);
    EXPECT_TRUE(r.use.within(a));
    EXPECT_GT(r.use.primitive_bytes, a.primitive_bytes * 3 / 4)
        << "the budget is spent, not wasted";
    const auto simplified = std::find_if(r.notes.begin(), r.notes.end(),
                                         [](const Note& n) { return n.topic == "simplified"; });
    ASSERT_NE(simplified, r.notes.end());
    EXPECT_NE(simplified->text.find("4,096 → "), std::string::npos) << simplified->text;
    const check::CheckReport report = write_data_folder(r.files, scratch_.path() / "out");
    EXPECT_EQ(report.count(Severity::error) + report.count(Severity::warning), 0);
}

// A bush of 12,274 leaves in OBJ text, each leaf a triangle of its own facing
// the viewer, on a lattice 3 units apart across and 7 up: 36,822 vertices in
// one part, more than a mesh file holds, none of them meeting another when
// rounded to whole units.
std::string bush_obj() {
    std::string vertices, faces;
    int32_t n = 0;
    for (int32_t y = 0; y < 232; y += 7)
        for (int32_t x = -27; x <= 27; x += 3)
            for (int32_t z = -27; z <= 27; z += 3) {
                for (const auto& [dx, dy, dz] :
                     {std::array{0, 0, 0}, std::array{40, 0, 1}, std::array{0, 32, -1}})
                    vertices += "v " + std::to_string(x + dx) + " " + std::to_string(y + dy) + " " +
                                std::to_string(z + dz) + "\n";
                faces += "f " + std::to_string(n + 1) + " " + std::to_string(n + 2) + " " +
                         std::to_string(n + 3) + "\n";
                n += 3;
            }
    return vertices + faces;
}

// A dense model of one part is simplified as any other, not refused for the
// vertices it has before simplifying, and its folder checks clean.
TEST_F(ImportTest, DenseOnePartModelIsSimplifiedNotRefused) {
    const fs::path out = scratch_.path() / "out";
    const ToolRun tool = import_tool(quoted(write("bush.obj", bush_obj())) + " " + quoted(out));
    ASSERT_EQ(tool.status, 0) << tool.err;
    EXPECT_NE(tool.out.find("simplified   defaultobject: 12,274 → "), std::string::npos)
        << tool.out;
    const ToolRun check = run(WALKERS_CHECK_EXE, quoted(out));
    EXPECT_EQ(check.status, 0) << check.out;
    EXPECT_NE(check.out.find(": 0 errors"), std::string::npos) << check.out;
}

// A strip of 130 triangles, each with a picture of its own, in objects of
// `per_object` triangles: triangle i is vertices i, i + 1, i + 2, so nothing is
// left to simplify.
std::pair<std::string, std::string> many_pictures_obj(int32_t per_object) {
    std::string obj = "mtllib many.mtl\nvt 0 0\nvt 1 0\nvt 0 1\n", mtl;
    for (int32_t i = 0; i < 132; ++i)
        obj += "v " + std::to_string(i / 2) + " " + std::to_string(i % 2) + " 0\n";
    for (int32_t i = 0; i < 130; ++i) {
        const std::string n = std::to_string(i);
        if (i % per_object == 0) obj += "o part" + n + "\n";
        const int32_t a = i + 1 + (i % 2), b = i + 2 - (i % 2); // every face the same way round
        obj += "usemtl m" + n + "\nf " + std::to_string(a) + "/1 " + std::to_string(b) + "/2 " +
               std::to_string(i + 3) + "/3\n";
        mtl += "newmtl m" + n + "\nmap_Kd p" + n + ".bmp\n";
    }
    return {obj, mtl};
}

// What no simplifying can make fit is refused with the capacity it breaks,
// and nothing is written: 130 textures in one mesh (a mesh names 64), or in
// three (the renderer has 125 slots beside the start-up textures).
TEST_F(ImportTest, ModelNeedingMoreTexturesThanTheRendererHoldsIsRefusedAndNothingWritten) {
    for (int32_t i = 0; i < 130; ++i)
        write("p" + std::to_string(i) + ".bmp", painted_bmp(24));
    const std::pair<int32_t, std::string> cases[] = {{130, "at most 64 textures"},
                                                     {50, "125 texture slots"}};
    for (const auto& [per_object, reason] : cases) {
        const auto [obj, mtl] = many_pictures_obj(per_object);
        write("many.mtl", mtl);
        const fs::path model = write("many.obj", obj);
        try {
            import_model(model, {});
            ADD_FAILURE() << "130 textures were accepted";
        } catch (const ImportError& e) {
            EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
        }
        const ToolRun tool = import_tool(quoted(model) + " " + quoted(scratch_.path() / "out"));
        EXPECT_EQ(tool.status, 1);
        EXPECT_EQ(lines(tool.err), 1) << tool.err;
        EXPECT_NE(tool.err.find(reason), std::string::npos) << tool.err;
        EXPECT_FALSE(fs::exists(scratch_.path() / "out"));
    }
}

// --- pictures on faces, and skeletons without faces ------------------------------

// A square facing the viewer whose picture is red, green, blue and white from
// its top left: its top-left corner shows the picture's top-left texel, red.
TEST_F(ImportTest, PictureLandsTheRightWayRoundOnItsFace) {
    std::string bmp = painted_bmp(24, 2, 2);
    // Blue, green, red per texel; the bottom row (blue, white) comes first.
    const char bottom_top[2][6] = {{char(255), 0, 0, char(255), char(255), char(255)},
                                   {0, 0, char(255), 0, char(255), 0}};
    for (int32_t row = 0; row < 2; ++row) // rows of 2 x 3 bytes, padded to 8, bottom row first
        bmp.replace(54 + 8 * std::size_t(row), 6, bottom_top[row], 6);
    // Long names must still fit a texture slot's 27 characters.
    write("a_picture_with_a_rather_long_name.bmp", bmp);
    write("quad.mtl", "newmtl pic\nmap_Kd a_picture_with_a_rather_long_name.bmp\n");
    // OBJ's v runs up the picture: (0, 1) is its top left.
    const fs::path model = write("quad.obj", "mtllib quad.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\n"
                                             "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nusemtl pic\n"
                                             "f 1/1 2/2 3/3 4/4\n");
    write_data_folder(import_model(model, {}).files, scratch_.path() / "out");
    core_points(scratch_.path() / "out", -1);
    const PrimitiveStore& store = *current_store();
    const Vector4* top_left = nullptr;
    const Vector4* top_left_uv = nullptr;
    int32_t texture = -1;
    for (int32_t at = 0; at < store.write_cursor;) {
        const Primitive& p = primitive_at(at);
        at += p.size;
        for (int32_t k = 0; k < primitive_corners(p); ++k) {
            const Vector4& v = store.positions[static_cast<std::size_t>(primitive_vertices(p)[k])];
            if (!top_left || v.x + v.y < top_left->x + top_left->y) {
                top_left = &v;
                top_left_uv = &store.texcoords[static_cast<std::size_t>(primitive_texcoords(p)[k])];
                texture = p.texture;
            }
        }
    }
    ASSERT_NE(top_left, nullptr);
    EXPECT_EQ(top_left_uv->x, 0);
    EXPECT_EQ(top_left_uv->y, 0);
    const TextureSlot& t = *texture_slot(texture);
    EXPECT_EQ(t.pixels[0], rgb555_from_rgb888(255, 0, 0)) << "the top-left texel";
    EXPECT_EQ(t.pixels[(std::size_t(1) << t.width_shift) - 1], rgb555_from_rgb888(0, 255, 0));
}

// A motion-capture skeleton becomes a box per bone, carried by the bone's
// parent joint, and its clip turns them.
TEST_F(ImportTest, SkeletonWithoutFacesBecomesAStickFigureThatMoves) {
    const fs::path model = write("walk.bvh", R"(HIERARCHY
ROOT Hips
{
  OFFSET 0 0 0
  CHANNELS 6 Xposition Yposition Zposition Zrotation Xrotation Yrotation
  JOINT Leg
  {
    OFFSET 1 -4 0
    CHANNELS 3 Zrotation Xrotation Yrotation
    JOINT Foot
    {
      OFFSET 0 -4 0
      CHANNELS 3 Zrotation Xrotation Yrotation
      End Site
      {
        OFFSET 0 0 1
      }
    }
  }
  JOINT Spine
  {
    OFFSET 0 3 0
    CHANNELS 3 Zrotation Xrotation Yrotation
    End Site
    {
      OFFSET 0 3 0
    }
  }
}
MOTION
Frames: 3
Frame Time: 0.25
0 8 0 0 0 0 10 0 0 5 0 0 0 0 5
0 8 1 0 5 0 40 0 0 30 0 0 0 5 0
0 8 2 0 10 0 70 0 0 5 0 0 5 0 0
)");
    const SourceScene scene = read_model_file(model);
    ASSERT_TRUE(scene.skeleton_only);
    const ImportResult r = import_scene(scene, {});
    std::vector<std::string> parts;
    for (int32_t n : r.parts.node)
        parts.push_back(scene.nodes[static_cast<std::size_t>(n)].name);
    EXPECT_EQ(parts, (std::vector<std::string>{"Hips", "Leg", "Foot", "Spine"}));
    const check::CheckReport report = write_data_folder(r.files, scratch_.path() / "out");
    EXPECT_EQ(report.count(Severity::error) + report.count(Severity::warning), 0);
    const auto rest = core_points(scratch_.path() / "out", 0);
    EXPECT_EQ(current_store()->primitive_count, 5 * 6) << "five boxes of six quads";
    const auto swung = core_points(scratch_.path() / "out", int32_t(r.clip.times.size()) / 2);
    double swing = 0;
    for (std::size_t i = 0; i < rest[1].size(); ++i)
        swing = std::max(swing, length(swung[1][i] - rest[1][i]));
    EXPECT_GT(swing, 20) << "the leg swings";
}

// A part whose faces all collapse when rounded to whole units (a speck beside a
// cube) stays a part, written as a bare joint: the mesh header alone, which
// walkers-check takes as a part empty on purpose.
TEST_F(ImportTest, PartThatRoundsToNothingIsWrittenAsABareJoint) {
    std::string obj;
    for (const auto& [name, size] : {std::pair{"cube", 1.0}, std::pair{"speck", 0.0001}}) {
        obj += std::string("o ") + name + "\n";
        for (int i = 0; i < 8; ++i)
            obj += "v " + std::to_string(i & 1 ? size : 0) + " " +
                   std::to_string(i & 2 ? size : 0) + " " + std::to_string(i & 4 ? size : 0) + "\n";
        const int32_t b = std::string(name) == "cube" ? 0 : 8;
        for (const auto& f :
             {std::array{1, 3, 4, 2}, std::array{5, 6, 8, 7}, std::array{1, 2, 6, 5},
              std::array{3, 7, 8, 4}, std::array{1, 5, 7, 3}, std::array{2, 4, 8, 6}})
            obj += "f " + std::to_string(b + f[0]) + " " + std::to_string(b + f[1]) + " " +
                   std::to_string(b + f[2]) + " " + std::to_string(b + f[3]) + "\n";
    }
    const ImportResult r = import_model(write("speck.obj", obj), {});
    ASSERT_EQ(r.parts.node.size(), 2u);
    const auto speck = std::find_if(r.files.begin(), r.files.end(),
                                    [](const DataFile& f) { return f.name == "p1_speck.msh"; });
    ASSERT_NE(speck, r.files.end());
    EXPECT_EQ(speck->bytes, (std::vector<uint8_t>{0, 0, 0, 0, 8, 0, 0, 0}));
    const check::CheckReport report = write_data_folder(r.files, scratch_.path() / "out");
    EXPECT_EQ(report.count(Severity::error) + report.count(Severity::warning), 0);
}

// --- putting the folder in place -------------------------------------------------

// A new folder, then the same one again (a walkers folder is replaced whole:
// a file the new import does not make is gone); a folder of other files, or a
// walkers folder holding something else, is refused and left as it was.
TEST_F(ImportTest, FolderIsReplacedOnlyWhenItIsAWalkersFolder) {
    const ImportResult r = import_model(write("figure.gltf", gltf(figure())), {});
    const fs::path out = scratch_.path() / "out";
    write_data_folder(r.files, out);
    write("out/stale.msh", "old");
    write_data_folder(r.files, out);
    EXPECT_TRUE(fs::exists(out / "mdt.txt"));
    EXPECT_FALSE(fs::exists(out / "stale.msh"));
    for (const char* stranger : {"notes.txt", "photo.jpg"}) {
        const fs::path other = scratch_.path() / stranger;
        fs::create_directories(other);
        write(std::string(stranger) + "/" + stranger, "mine");
        if (std::string(stranger) == "photo.jpg") write(std::string(stranger) + "/mdt.txt", "mine");
        EXPECT_THROW(write_data_folder(r.files, other), ImportError) << stranger;
        EXPECT_EQ(read_text(other / stranger), "mine");
    }
    for (const fs::directory_entry& e : fs::directory_iterator(scratch_.path()))
        EXPECT_EQ(e.path().filename().string().find(".import-"), std::string::npos)
            << "a temporary folder was left: " << e.path();
}

// --- pictures -------------------------------------------------------------------

void put16(std::string& s, uint32_t v) {
    s += char(v & 255);
    s += char(v >> 8 & 255);
}
void put32(std::string& s, uint32_t v) {
    put16(s, v & 0xffff);
    put16(s, v >> 16);
}

// A w x h BMP of the kinds paint programs write, every pixel red 200, green
// 100, blue 40: 24-bit; 32-bit with the 124-byte header (pixels at 138) and
// alpha; 16-bit 5-6-5 with bit-field masks after the 40-byte header.
std::string painted_bmp(int32_t bits, int32_t w, int32_t h) {
    const int32_t header = bits == 32 ? 124 : 40;
    const int32_t masks = bits == 16 ? 12 : 0;
    const int32_t row = (w * bits / 8 + 3) / 4 * 4;
    std::string s = "BM";
    put32(s, uint32_t(14 + header + masks + row * h));
    put32(s, 0);
    put32(s, uint32_t(14 + header + masks));
    put32(s, uint32_t(header));
    put32(s, w);
    put32(s, h);
    put16(s, 1);
    put16(s, uint32_t(bits));
    put32(s, bits == 24 ? 0 : 3); // BI_BITFIELDS
    put32(s, uint32_t(row * h));
    put32(s, 2835);
    put32(s, 2835);
    put32(s, 0);
    put32(s, 0);
    if (bits == 16) {
        put32(s, 0xf800);
        put32(s, 0x07e0);
        put32(s, 0x001f);
    }
    if (bits == 32) {
        for (uint32_t mask : {0x00ff0000u, 0x0000ff00u, 0x000000ffu, 0xff000000u})
            put32(s, mask);
        s += std::string(size_t(header - 56), '\0');
    }
    for (int32_t y = 0; y < h; ++y) {
        std::string line;
        for (int32_t x = 0; x < w; ++x) {
            if (bits == 24) line += std::string{char(40), char(100), char(200)};
            if (bits == 32) line += std::string{char(40), char(100), char(200), char(255)};
            if (bits == 16) put16(line, (200u >> 3) << 11 | (100u >> 2) << 5 | (40u >> 3));
        }
        s += line + std::string(size_t(row) - line.size(), '\0');
    }
    return s;
}

// Each becomes a BMP the texture loader takes: 8 x 4 (the nearest powers of
// two), and the texels keep the colour to the five bits the renderer has.
TEST_F(ImportTest, PicturesFromPaintProgramsBecomeTexturesTheLoaderReads) {
    for (int32_t bits : {24, 32, 16}) {
        const std::string in = "in" + std::to_string(bits) + ".bmp";
        write(in, painted_bmp(bits));
        const ToolRun tool = import_tool("--texture " + quoted(scratch_.path() / in) + " " +
                                         quoted(scratch_.path() / ("t" + in)));
        EXPECT_EQ(tool.status, 0) << tool.err;
        EXPECT_NE(tool.out.find("8 x 4, 16-bit"), std::string::npos) << tool.out;
        fs::current_path(scratch_.path());
        clear_texture_table();
        const int32_t slot = load_texture("t" + in);
        fs::current_path(start_dir());
        ASSERT_GE(slot, 0) << bits;
        const TextureSlot& t = *texture_slot(slot);
        EXPECT_EQ(t.width_shift, 3);
        EXPECT_EQ(t.height_shift, 2);
        const uint16_t want = rgb555_from_rgb888(200, 100, 40);
        for (uint16_t texel : t.pixels) {
            EXPECT_NEAR(rgb555_red(texel), rgb555_red(want), 1) << bits;
            EXPECT_NEAR(rgb555_green(texel), rgb555_green(want), 1) << bits;
            EXPECT_NEAR(rgb555_blue(texel), rgb555_blue(want), 1) << bits;
        }
    }
}

// walkers-check names the command for a BMP it refuses; the command's output
// in its place checks clean.
TEST_F(ImportTest, CheckerNamesTheTextureCommandForARefusedBmpWhichMendsIt) {
    const char* generated = std::getenv("WALKERS_DATA_DIR");
    ASSERT_NE(generated, nullptr);
    const fs::path folder = scratch_.path() / "data";
    fs::copy(generated, folder);
    write("data/ome16.bmp", painted_bmp(24, 32, 32)); // the outfit, saved again by a paint program
    const ToolRun refused = run(WALKERS_CHECK_EXE, quoted(folder));
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.out.find("ome16.bmp:byte 28: error: 24 bits per pixel is not supported"),
              std::string::npos)
        << refused.out;
    EXPECT_NE(refused.out.find(
                  "'walkers-import --texture PICTURE ome16.bmp' writes one the loader reads"),
              std::string::npos)
        << refused.out;
    EXPECT_EQ(import_tool("--texture " + quoted(folder / "ome16.bmp") + " " +
                          quoted(folder / "ome16.bmp"))
                  .status,
              0);
    const ToolRun mended = run(WALKERS_CHECK_EXE, quoted(folder));
    EXPECT_EQ(mended.status, 0) << mended.out;
}

// --- the tool ---------------------------------------------------------------------

// --list shows the model as read and what the import would make of it, and
// writes nothing; a clip that is not there is refused, naming the ones that are.
// (The tool's bad usage and other failures are rows of test_tools' table.)
TEST_F(ImportTest, ListShowsTheModelAndAClipThatIsNotThereIsRefusedByName) {
    const fs::path out = scratch_.path() / "out";
    const std::string model = quoted(write("figure.gltf", gltf(figure())));
    const ToolRun listed = import_tool("--list " + model);
    EXPECT_EQ(listed.status, 0);
    for (const char* line : {"      arm_l [animated]\n", "  \"swing\": 0.80 s, 3 channels\n",
                             "  parts        8 parts from 8 nodes, hierarchy 4 levels deep"})
        EXPECT_NE(listed.out.find(line), std::string::npos) << line << "\n" << listed.out;
    const ToolRun refused = import_tool("--animation dance " + model + " " + quoted(out));
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(lines(refused.err), 1) << refused.err;
    EXPECT_NE(refused.err.find("no animation named \"dance\"; it has \"swing\""), std::string::npos)
        << refused.err;
    EXPECT_FALSE(fs::exists(out));
}

// --- real models -----------------------------------------------------------------

fs::path test_models() {
    return WALKERS_TEST_MODELS;
}

#define SKIP_WITHOUT_TEST_MODELS()                                                                 \
    if (!fs::is_directory(test_models()))                                                          \
    GTEST_SKIP() << test_models() << " is missing: install assimp-testmodels (scripts/deps.sh)"

// Assimp's own broken files, and real models cut short or with bytes garbled:
// each ends with status 0 (what was left still makes a walker, and checks
// clean) or 1 with one line, never a crash, and a failure writes nothing.
TEST_F(ImportTest, BrokenTruncatedAndGarbledModelsEndInOneLineNeverACrash) {
    SKIP_WITHOUT_TEST_MODELS();
    std::vector<fs::path> broken;
    for (const fs::directory_entry& e : fs::directory_iterator(test_models() / "invalid"))
        broken.push_back(e.path());
    std::sort(broken.begin(), broken.end());
    for (const char* model : {"OBJ/box.obj", "glTF2/BoxTextured-glTF-Binary/BoxTextured.glb",
                              "MD2/faerie.md2", "X/anim_test.x", "Collada/duck.dae",
                              "BVH/01_01.bvh", "FBX/box.fbx", "3DS/RotatingCube.3DS"}) {
        const std::string bytes = read_text(test_models() / model);
        const std::string name = fs::path(model).filename().string();
        for (std::size_t part : {2u, 5u, 10u}) {
            std::string cut = bytes.substr(0, bytes.size() * part / 11);
            broken.push_back(write("cut" + std::to_string(part) + "_" + name, cut));
            for (std::size_t i = cut.size() / 3; i < cut.size(); i += 97)
                cut[i] = static_cast<char>(cut[i] ^ 0x5a);
            broken.push_back(write("garbled" + std::to_string(part) + "_" + name, cut));
        }
    }
    for (const fs::path& model : broken) {
        const fs::path out = scratch_.path() / "out";
        const ToolRun tool = import_tool(quoted(model) + " " + quoted(out));
        EXPECT_TRUE(tool.status == 0 || tool.status == 1)
            << model << ": " << tool.status << tool.err;
        if (tool.status == 1) {
            EXPECT_EQ(lines(tool.err), 1) << model << "\n" << tool.err;
            EXPECT_EQ(tool.err.rfind("walkers-import: " + model.string() + ": ", 0), 0u)
                << tool.err;
            EXPECT_FALSE(fs::exists(out)) << model;
        } else {
            EXPECT_NE(tool.out.find("walkers-check: 0 errors"), std::string::npos) << model;
        }
        fs::remove_all(out);
    }
    // Assimp's PLY reader loops on this broken header line: the watchdog ends it.
    const fs::path hang =
        write("hang.ply", "ply\nformat ascii 1.0\nelement vertex 3\nproperty float x\n"
                          "property float y\nproperty float z\nend_header" +
                              std::string(90, '|') + "\n0 0 0\n1 0 0\n0 1 0\n");
    const ToolRun stuck = run("env", "WALKERS_IMPORT_SECONDS=2 '" WALKERS_IMPORT_EXE "' " +
                                         quoted(hang) + " " + quoted(scratch_.path() / "out"));
    EXPECT_EQ(stuck.status, 1);
    EXPECT_EQ(lines(stuck.err), 1) << stuck.err;
    EXPECT_NE(stuck.err.find("hang.ply: not done after 2 s"), std::string::npos) << stuck.err;
}

struct RealModel {
    const char* name; // for the test's name
    const char* file; // under the test models
    const char* options;
    bool animated;
};

class RealModelTest : public ImportTest, public ::testing::WithParamInterface<RealModel> {};

// Pixels of a 16-bit BMP from walkers-snapshot that are not the floor.
int64_t walker_pixels(const std::string& bmp) {
    const uint16_t floor = rgb555(FLOOR_COLOUR[0], FLOOR_COLOUR[1], FLOOR_COLOUR[2]);
    int64_t n = 0;
    for (std::size_t at = 54; at + 1 < bmp.size(); at += 2)
        n += (uint8_t(bmp[at]) | uint8_t(bmp[at + 1]) << 8) != floor;
    return n;
}

// Imported, walkers-check finds no error in the folder; 60 frames of
// walkers-snapshot show the walkers; an animated model's parts turn as its
// animation plays.
TEST_P(RealModelTest, ImportsChecksCleanAndWalks) {
    SKIP_WITHOUT_TEST_MODELS();
    const RealModel& m = GetParam();
    const fs::path out = scratch_.path() / "out";
    const ToolRun tool = import_tool(std::string(m.options) + " " + quoted(test_models() / m.file) +
                                     " " + quoted(out));
    ASSERT_EQ(tool.status, 0) << tool.err;
    EXPECT_NE(tool.out.find("budget for 9 walkers"), std::string::npos) << tool.out;
    const ToolRun check = run(WALKERS_CHECK_EXE, quoted(out));
    EXPECT_EQ(check.status, 0) << check.out;
    EXPECT_NE(check.out.find(": 0 errors"), std::string::npos) << check.out;
    const fs::path picture = scratch_.path() / "frame.bmp";
    const ToolRun snapshot = run(WALKERS_SNAPSHOT_EXE,
                                 "--data " + quoted(out) + " --frames 60 --bmp " + quoted(picture));
    EXPECT_EQ(snapshot.status, 0) << snapshot.err;
    EXPECT_GT(walker_pixels(read_text(picture)), 500);
    core_points(out, -1);
    std::vector<std::vector<Vector4>> poses;
    for (int32_t step = 0; step < 60; ++step) {
        animation_step(0);
        const ModelSlot& slot = *model_slot(0);
        std::vector<Vector4> pose;
        for (int32_t p = 0; p < slot.part_count; ++p)
            pose.push_back(slot.parts[static_cast<std::size_t>(p)].rotation);
        poses.push_back(pose);
    }
    const bool turns =
        std::any_of(poses.begin(), poses.end(), [&](const std::vector<Vector4>& pose) {
            return !std::equal(pose.begin(), pose.end(), poses[0].begin(),
                               [](const Vector4& a, const Vector4& b) {
                                   return a.x == b.x && a.y == b.y && a.z == b.z;
                               });
        });
    EXPECT_EQ(turns, m.animated);
}

INSTANTIATE_TEST_SUITE_P(
    AssimpTestModels, RealModelTest,
    ::testing::Values(RealModel{"TexturedBox", "glTF2/BoxTextured-glTF/BoxTextured.gltf", "",
                                false},
                      RealModel{"SkinnedCharacter", "X/BCN_Epileptic.X", "", true},
                      RealModel{"NodeAnimatedCube", "3DS/RotatingCube.3DS", "", true},
                      RealModel{"Md2Character", "MD2/faerie.md2", "", false},
                      RealModel{"BvhClip", "BVH/01_01.bvh", "", true}),
    [](const ::testing::TestParamInfo<RealModel>& info) { return std::string(info.param.name); });

} // namespace
} // namespace walkers
