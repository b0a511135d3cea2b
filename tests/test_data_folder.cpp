// The generated data folder, loaded through the real loaders the way the scene
// loads it: three outfits, then the model and its walk nine times. Checks that
// the data fits the renderer with room to spare, that the walker's hierarchy and
// textures are what the design promises, and that the walker stands the right
// size, on the floor, facing the viewer, once the transform pass has placed it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "assets/animation.h"
#include "assets/bmp.h"
#include "assets/file.h"
#include "assets/mesh.h"
#include "assets/model.h"
#include "assets/model_file.h"
#include "assets/section.h"
#include "fresh_state.h"
#include "geometry/math_tables.h"
#include "geometry/matrix.h"
#include "geometry/trig.h"
#include "render/store.h"
#include "render/texture_table.h"
#include "scene/transform_pass.h"

using namespace walkers;

namespace {

constexpr int32_t WALKERS = 9;
constexpr int32_t PARTS = 13;
constexpr int32_t HEAD_PART = 2;
constexpr int32_t UPPER_ARM_L = 3;
constexpr int32_t UPPER_LEG_L = 7;
constexpr int32_t LOWER_LEG_L = 8;
constexpr int32_t UPPER_LEG_R = 10;
constexpr int32_t SURFACE_HEIGHT = 461;
constexpr int32_t CENTRE_X = 256;
constexpr int32_t CENTRE_Y = 230;

std::array<Vector4, 1500> positions;
std::array<Vector4, 200> colours;
std::array<Vector4, 1200> texcoords;

struct Loaded {
    std::array<int32_t, 3> outfits{};
    std::array<int32_t, WALKERS> models{};
    std::array<int32_t, WALKERS> animations{};
};

// The folder is loaded once for the whole suite, from the state every module
// has at program start.
class DataFolder : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const char* dir = std::getenv("WALKERS_DATA_DIR");
        ASSERT_NE(dir, nullptr) << "WALKERS_DATA_DIR is not set";
        previous_dir_ = std::filesystem::current_path();
        std::filesystem::current_path(dir);
        walkers::testing::reset_all_modules();
        create_render_store();
        set_position_stream(positions);
        set_colour_stream(colours);
        set_texcoord_stream(texcoords);
        build_recip_table();
        create_math_tables();
        set_projection_centre(CENTRE_X, CENTRE_Y);
        loaded_.outfits = {load_texture("ome16.bmp"), load_texture("buki16.bmp"),
                           load_texture("ho16.bmp")};
        for (int32_t i = 0; i < WALKERS; ++i) {
            loaded_.models[i] = load_model("mdt.txt");
            loaded_.animations[i] = load_animation("an.txt", loaded_.models[i]);
        }
    }
    static void TearDownTestSuite() {
        walkers::testing::reset_all_modules();
        std::filesystem::current_path(previous_dir_);
    }

    static const ModelSlot& model(int32_t walker) { return *model_slot(loaded_.models[walker]); }

    static Loaded loaded_;
    static std::filesystem::path previous_dir_;
};

Loaded DataFolder::loaded_;
std::filesystem::path DataFolder::previous_dir_;

// Row-0 index range of a model's vertices (its parts are loaded back to back).
std::pair<int32_t, int32_t> vertex_range(const ModelSlot& m) {
    const ModelPart& last = m.parts[m.part_count - 1];
    return {m.parts[0].first_vertex, last.first_vertex + last.vertex_count};
}

template <typename Visit> void for_each_primitive(Visit visit) {
    const PrimitiveStore& store = *current_store();
    int32_t offset = 0;
    for (int32_t n = 0; n < store.primitive_count; ++n) {
        const Primitive& p = primitive_at(offset);
        visit(p);
        offset += p.size;
    }
}

int32_t distinct_texels(int32_t slot) {
    const TextureSlot& t = *texture_slot(slot);
    return static_cast<int32_t>(std::set<uint16_t>(t.pixels.begin(), t.pixels.end()).size());
}

// The depth pass's cull test: a positive value means clockwise on screen, drawn.
int32_t screen_winding(const Primitive& p) {
    const int16_t* v = primitive_vertices(p);
    const auto& sv = current_store()->screen_vertices;
    const ScreenVertex &a = sv[v[0]], &b = sv[v[1]], &c = sv[v[2]];
    return (c.y - b.y) * (b.x - a.x) - (b.y - a.y) * (c.x - b.x);
}

// Mesh file names of the model, from its object list.
std::vector<std::string> mesh_files() {
    std::vector<std::string> names;
    const SectionBlob blob = parse_section_file("mdt.txt");
    for (SectionView s = first_section(blob); section_name_size(s) != SECTION_TERMINATOR;
         s = next_section(s)) {
        if (std::string(section_name(s)) != "SEC_M_OBJ:") continue;
        const uint8_t* r = section_records(s);
        for (int32_t i = 0; i < section_count(s); ++i) {
            names.emplace_back(reinterpret_cast<const char*>(r + 4));
            r += 4 + record_int(r, 0);
        }
    }
    return names;
}

// Faces a mesh file declares in its face chunks (the loader drops broken ones silently).
int32_t declared_faces(const std::string& name) {
    const FileImage file = read_whole_file(name);
    int32_t faces = 0;
    std::size_t at = 8;
    while (at + 8 <= file.size) {
        const int16_t type = static_cast<int16_t>(file.bytes[at] | file.bytes[at + 1] << 8);
        const int16_t count = static_cast<int16_t>(file.bytes[at + 2] | file.bytes[at + 3] << 8);
        const uint32_t size = static_cast<uint32_t>(record_int(file.bytes.data() + at, 4));
        if (type >= CHUNK_TRIANGLES && type <= CHUNK_TEXTURED_QUADS && type != CHUNK_TEXCOORDS)
            faces += count;
        if (size < 8) break;
        at += size;
    }
    return faces;
}

// Colours of the face texture under a quad's texture coordinates.
int32_t colours_under(const Primitive& p, int32_t slot) {
    const TextureSlot& t = *texture_slot(slot);
    const int16_t* uv = primitive_texcoords(p);
    int32_t u0 = 255, v0 = 255, u1 = 0, v1 = 0;
    for (int32_t k = 0; k < 4; ++k) {
        u0 = std::min(u0, texcoords[uv[k]].x), u1 = std::max(u1, texcoords[uv[k]].x);
        v0 = std::min(v0, texcoords[uv[k]].y), v1 = std::max(v1, texcoords[uv[k]].y);
    }
    std::set<uint16_t> seen;
    for (int32_t v = (v0 << t.height_shift) >> 8; v <= (v1 << t.height_shift) >> 8; ++v)
        for (int32_t u = (u0 << t.width_shift) >> 8; u <= (u1 << t.width_shift) >> 8; ++u)
            seen.insert(t.pixels[(v << t.width_shift) + u]);
    return static_cast<int32_t>(seen.size());
}

// Lowest screen row of a walker's vertices after the transform pass.
int32_t lowest_row(const ModelSlot& m) {
    const auto [first, end] = vertex_range(m);
    int32_t bottom = current_store()->screen_vertices[first].y;
    for (int32_t i = first; i < end; ++i)
        bottom = std::max(bottom, current_store()->screen_vertices[i].y);
    return bottom;
}

// Signed difference of two angles in 0..1023, the short way round.
int32_t angle_step(int32_t from, int32_t to) {
    return ((to - from + 512) & 1023) - 512;
}

// Of the head part's face-textured quads, the one whose corners lie furthest
// forward (smallest z) on average, or furthest back.
const Primitive* head_face(const ModelSlot& m, int32_t face_texture, bool front) {
    const ModelPart& head = m.parts[HEAD_PART];
    const Primitive* found = nullptr;
    int32_t found_z = 0;
    for_each_primitive([&](const Primitive& p) {
        if (p.texture != face_texture || primitive_corners(p) != 4) return;
        const int16_t* v = primitive_vertices(p);
        int32_t z = 0;
        for (int32_t k = 0; k < 4; ++k) {
            if (v[k] < head.first_vertex || v[k] >= head.first_vertex + head.vertex_count) return;
            z += positions[v[k]].z;
        }
        if (found == nullptr || (front ? z < found_z : z > found_z)) {
            found = &p;
            found_z = z;
        }
    });
    return found;
}

TEST_F(DataFolder, AllFourTexturesLoadAsDistinctPictures) {
    EXPECT_EQ(loaded_.outfits, (std::array<int32_t, 3>{0, 1, 2}));
    const int32_t face = find_texture("face4.bmp");
    ASSERT_EQ(face, 3) << "the head's mesh loads the face texture by name";
    EXPECT_GE(texture_slot(face)->ref_count, WALKERS); // every head asks for it
    for (int32_t slot = 0; slot <= face; ++slot) {
        ASSERT_NE(texture_slot(slot), nullptr);
        EXPECT_GE(distinct_texels(slot), 4) << "slot " << slot << " is not a designed picture";
    }
    EXPECT_NE(texture_slot(0)->pixels, texture_slot(1)->pixels);
    EXPECT_NE(texture_slot(1)->pixels, texture_slot(2)->pixels);
    EXPECT_NE(texture_slot(0)->pixels, texture_slot(2)->pixels);
}

TEST_F(DataFolder, NineWalkersOfThirteenPartsInTheDesignedHierarchy) {
    const std::array<int32_t, PARTS> pops = {0, 0, 1, 0, 2, 0, 3, 0, 0, 3, 0, 0, 0};
    for (int32_t w = 0; w < WALKERS; ++w) {
        ASSERT_EQ(loaded_.models[w], w);
        EXPECT_EQ(loaded_.animations[w], w);
        ASSERT_EQ(model(w).part_count, PARTS);
        for (int32_t p = 0; p < PARTS; ++p) {
            EXPECT_EQ(model(w).parts[p].pop_count, pops[p]) << "walker " << w << " part " << p;
            EXPECT_GT(model(w).parts[p].vertex_count, 0);
        }
    }
}

TEST_F(DataFolder, NineCopiesLeaveATenthOfEveryCapacitySpare) {
    EXPECT_LE(stream_count(STREAM_POSITIONS), 1500 - 150);
    EXPECT_LE(stream_count(STREAM_TEXCOORDS), 1200 - 120);
    EXPECT_LE(current_store()->write_cursor, PRIMITIVE_BYTES - PRIMITIVE_BYTES / 10);
    // Every copy got all of its geometry: the last model's vertices are all there.
    EXPECT_EQ(vertex_range(model(WALKERS - 1)).second, stream_count(STREAM_POSITIONS));
    for (const char* file : {"mdt.txt", "an.txt"}) {
        const SectionBlob blob = parse_section_file(file);
        EXPECT_LT(blob.bytes.size(), static_cast<std::size_t>(SECTION_BLOB_CAPACITY)) << file;
        EXPECT_GE(blob.bytes.size(), 16u) << file << " parsed into no sections";
    }
}

TEST_F(DataFolder, EveryFaceIsCulledTexturedAndWearsItsWalkersOutfitOrTheFace) {
    const int32_t face = find_texture("face4.bmp");
    for (int32_t w = 0; w < WALKERS; ++w) {
        const auto [first, end] = vertex_range(model(w));
        std::set<int32_t> textures;
        int32_t faces = 0;
        for_each_primitive([&](const Primitive& p) {
            const int16_t v0 = primitive_vertices(p)[0];
            if (v0 < first || v0 >= end) return;
            ++faces;
            textures.insert(p.texture);
            EXPECT_TRUE(p.kind & PRIM_CULL_BACK);
            EXPECT_TRUE(p.kind & PRIM_TEXTURED_BIT);
        });
        EXPECT_GT(faces, PARTS * 4) << "walker " << w;
        EXPECT_EQ(textures, (std::set<int32_t>{(w + 1) % 3, face})) << "walker " << w;
    }
}

TEST_F(DataFolder, WalkLoopsAndMovesLegsAgainstArmsWithBendingKnees) {
    const AnimationSlot& a = *animation_slot(loaded_.animations[0]);
    ASSERT_TRUE(a.complete);
    ASSERT_EQ(a.parts, PARTS);
    ASSERT_GE(a.keys.size(), 4u);
    int32_t key = 0;
    for (std::size_t k = 0; k < a.keys.size(); ++k) {
        ASSERT_NE(a.keys[key].next, NO_KEY) << "the chain ends at key " << key;
        key = a.keys[key].next;
    }
    EXPECT_EQ(key, 0) << "the keys do not form one loop";

    int32_t leg_min = 0, leg_max = 0, knee_min = 0;
    for (std::size_t q = 0; q < a.poses.size() / PARTS; ++q) {
        const Vector4* pose = &a.poses[q * PARTS];
        leg_min = std::min(leg_min, pose[UPPER_LEG_L].x);
        leg_max = std::max(leg_max, pose[UPPER_LEG_L].x);
        knee_min = std::min(knee_min, pose[LOWER_LEG_L].x);
        EXPECT_LE(pose[LOWER_LEG_L].x, 0) << "pose " << q << ": the knee bends forwards";
        EXPECT_LE(pose[UPPER_LEG_L].x * pose[UPPER_LEG_R].x, 0) << "pose " << q;
        EXPECT_LE(pose[UPPER_LEG_L].x * pose[UPPER_ARM_L].x, 0) << "pose " << q;
    }
    EXPECT_LE(leg_min, -40); // about 15 degrees each way at least
    EXPECT_GE(leg_max, 40);
    EXPECT_LE(knee_min, -85); // 30 degrees of bend at least
}

TEST_F(DataFolder, WalkerStandsASixthOfTheSurfaceTallOnTheFloorFacingTheViewer) {
    transform_pass(); // rest pose: walkers at (0, 100, 500), heading 0
    const auto [first, end] = vertex_range(model(0));
    const auto& sv = current_store()->screen_vertices;
    int32_t top = sv[first].y, bottom = sv[first].y;
    for (int32_t i = first; i < end; ++i) {
        top = std::min(top, sv[i].y);
        bottom = std::max(bottom, sv[i].y);
    }
    const int32_t floor_y = CENTRE_Y + 100 * 256 / (500 + 75 + 256);
    EXPECT_NEAR(bottom, floor_y, 2) << "the soles are not on the floor";
    EXPECT_NEAR(bottom - top, SURFACE_HEIGHT / 6, SURFACE_HEIGHT / 24);

    const Primitive* front = head_face(model(0), find_texture("face4.bmp"), true);
    ASSERT_NE(front, nullptr);
    EXPECT_GT(screen_winding(*front), 0) << "the face is culled while facing the viewer";
    model_rotation(loaded_.models[0])->y = 512;
    transform_pass();
    EXPECT_LT(screen_winding(*front), 0) << "the face shows through the back of the head";
    model_rotation(loaded_.models[0])->y = 0;
}

TEST_F(DataFolder, EveryDeclaredFaceReachesTheStore) {
    int32_t faces = 0;
    const std::vector<std::string> files = mesh_files();
    ASSERT_EQ(files.size(), static_cast<std::size_t>(PARTS));
    for (const std::string& name : files)
        faces += declared_faces(name);
    EXPECT_EQ(current_store()->primitive_count, WALKERS * faces);
}

TEST_F(DataFolder, HeadShowsTheFaceInFrontAndPlainerHairBehind) {
    const int32_t face = find_texture("face4.bmp");
    const Primitive* front = head_face(model(1), face, true);
    const Primitive* back = head_face(model(1), face, false);
    ASSERT_NE(front, nullptr);
    ASSERT_NE(back, nullptr);
    // Skin, hair, eye whites, irises, pupils, lips and cheeks against hair and nape.
    EXPECT_GE(colours_under(*front, face), 7);
    EXPECT_LT(colours_under(*back, face), colours_under(*front, face));
}

TEST_F(DataFolder, WalkPlaysSmoothlyAndRepeatsUnderThePlayer) {
    const int32_t w = 1;
    const ModelSlot& m = model(w);
    std::vector<int32_t> legs;
    const std::size_t cycle = animation_slot(loaded_.animations[w])->keys.size();
    for (std::size_t step = 0; step < 2 * cycle + 1; ++step) {
        animation_step(loaded_.animations[w]);
        legs.push_back(m.parts[UPPER_LEG_L].rotation.x);
    }
    for (std::size_t i = 1; i < legs.size(); ++i) {
        // About 4 degrees a frame at most: no jumps between keys, no running back.
        EXPECT_LE(std::abs(angle_step(legs[i - 1], legs[i])), 12) << "step " << i;
        if (i + cycle < legs.size()) {
            EXPECT_EQ(legs[i], legs[i + cycle]) << "step " << i;
        }
    }
}

TEST_F(DataFolder, FeetStayOnTheFloorThroughTheWholeCycle) {
    const int32_t w = 2;
    const int32_t floor_y = CENTRE_Y + 100 * 256 / (500 + 75 + 256);
    const std::size_t cycle = animation_slot(loaded_.animations[w])->keys.size();
    for (std::size_t step = 0; step < cycle; ++step) {
        animation_step(loaded_.animations[w]);
        transform_pass();
        const int32_t bottom = lowest_row(model(w));
        EXPECT_LE(bottom, floor_y + 2) << "step " << step << ": a foot sinks into the floor";
        EXPECT_GE(bottom, floor_y - 4) << "step " << step << ": both feet in the air";
    }
}

} // namespace
