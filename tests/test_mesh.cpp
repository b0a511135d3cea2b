// Mesh chunk stream: what a file appends to the streams, the primitive records it
// emits, the part it adds, and how broken sizes and indices are contained.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "assets/float_text.h"
#include "assets/mesh.h"
#include "assets/model.h"
#include "fresh_state.h"
#include "render/store.h"
#include "render/texture_table.h"

using namespace walkers;

namespace {

using Bytes = std::vector<uint8_t>;

void put16(Bytes& b, int32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> 8));
}
void put32(Bytes& b, uint32_t v) {
    for (int k = 0; k < 4; ++k)
        b.push_back(static_cast<uint8_t>(v >> (8 * k)));
}
void putf(Bytes& b, float f) {
    put32(b, float_bits(f));
}

// Builds a mesh file chunk by chunk; file() fills in the total size.
struct MeshFile {
    Bytes bytes = Bytes(8, 0);

    MeshFile& chunk(int16_t type, int16_t count, const Bytes& payload) {
        return raw(type, count, static_cast<uint32_t>(payload.size() + 8), payload);
    }
    // A chunk whose size field says whatever the test wants.
    MeshFile& raw(int16_t type, int16_t count, uint32_t size, const Bytes& payload) {
        put16(bytes, type);
        put16(bytes, count);
        put32(bytes, size);
        bytes.insert(bytes.end(), payload.begin(), payload.end());
        return *this;
    }
    MeshFile& positions(const std::vector<float>& xyz) {
        Bytes p;
        for (float f : xyz)
            putf(p, f);
        return chunk(CHUNK_POSITIONS, static_cast<int16_t>(xyz.size() / 3), p);
    }
    MeshFile& texcoords(const std::vector<float>& uv) {
        Bytes p;
        for (float f : uv)
            putf(p, f);
        return chunk(CHUNK_TEXCOORDS, static_cast<int16_t>(uv.size() / 2), p);
    }
    MeshFile& faces(int16_t type, int32_t corners, const std::vector<int16_t>& indices,
                    const std::vector<int16_t>& extra = {}) {
        Bytes p;
        for (int16_t i : indices)
            put16(p, i);
        for (int16_t i : extra)
            put16(p, i);
        return chunk(type, static_cast<int16_t>(indices.size() / corners), p);
    }
    MeshFile& names(int16_t count, const std::vector<std::string>& list) {
        Bytes p;
        for (const std::string& n : list) {
            p.insert(p.end(), n.begin(), n.end());
            p.push_back(0);
        }
        return chunk(CHUNK_TEXTURE_NAMES, count, p);
    }
    MeshFile& select(int16_t k) {
        Bytes p;
        put16(p, k);
        return chunk(CHUNK_SELECT_TEXTURE, 0, p);
    }
    Bytes file(uint32_t total = 0) const {
        Bytes out = bytes;
        const uint32_t size = total ? total : static_cast<uint32_t>(out.size());
        for (int k = 0; k < 4; ++k)
            out[4 + k] = static_cast<uint8_t>(size >> (8 * k));
        return out;
    }
};

struct Face {
    int32_t kind;
    int32_t texture;
    std::vector<int16_t> vertex;
    std::vector<int16_t> texcoord;
    std::vector<int16_t> colour;
};

class Mesh : public walkers::testing::FreshState {
protected:
    void SetUp() override {
        FreshState::SetUp();
        bind_streams();
        step_model_load_counter(); // plain faces take texture slot 1
        model = create_model_slot(4);
        ASSERT_GE(model, 0);
    }

    void load(const Bytes& data) { EXPECT_EQ(load_mesh(model, data), 0); }

    static std::vector<Face> faces() {
        std::vector<Face> out;
        const PrimitiveStore* store = current_store();
        for (int32_t at = 0; at < store->write_cursor;) {
            const Primitive& p = primitive_at(at);
            const int n = primitive_corners(p);
            out.push_back({p.kind,
                           p.texture,
                           {primitive_vertices(p), primitive_vertices(p) + n},
                           {primitive_texcoords(p), primitive_texcoords(p) + n},
                           {primitive_colours(p), primitive_colours(p) + n}});
            at += p.size;
        }
        return out;
    }
    const ModelPart& part(int32_t p) const { return model_slot(model)->parts[p]; }
    static void pad_positions(int32_t n) {
        for (int32_t i = 0; i < n; ++i) {
            const Vector4 v{};
            ASSERT_GE(append_positions({&v, 1}), 0);
        }
    }

    int32_t model = -1;
};

bool same(const Vector4& a, const Vector4& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

TEST_F(Mesh, PositionsAreScaledBy300WithYNegatedAndTruncated) {
    pad_positions(5);
    load(MeshFile().positions({1, 1, 1, 0.5f, -0.5f, 0, -1, 2, 0.001f}).file());
    ASSERT_EQ(stream_count(STREAM_POSITIONS), 8);
    EXPECT_TRUE(same(positions[5], {300, -300, 300, 0}));
    EXPECT_TRUE(same(positions[6], {150, 150, 0, 0}));
    EXPECT_TRUE(same(positions[7], {-300, -600, 0, 0}));
    ASSERT_EQ(model_slot(model)->part_count, 1);
    EXPECT_EQ(part(0).first_vertex, 5);
    EXPECT_EQ(part(0).vertex_count, 3);
    EXPECT_EQ(part(0).pop_count, 0);
}

TEST_F(Mesh, CornersFirstThenTexcoordsScaledBy255) {
    load(MeshFile().positions({0, 0, 0, 1, 0, 0}).texcoords({1, 0.5f, 0.25f, 2}).file());
    ASSERT_EQ(stream_count(STREAM_TEXCOORDS), 6);
    EXPECT_TRUE(same(texcoords[0], {0, 0, 0, 0}));
    EXPECT_TRUE(same(texcoords[1], {255, 0, 0, 0}));
    EXPECT_TRUE(same(texcoords[2], {255, 255, 0, 0}));
    EXPECT_TRUE(same(texcoords[3], {0, 255, 0, 0}));
    EXPECT_TRUE(same(texcoords[4], {255, 127, 0, 0}));
    EXPECT_TRUE(same(texcoords[5], {63, 510, 0, 0}));
    EXPECT_EQ(part(0).vertex_count, 2); // the texcoord count does not change it
}

TEST_F(Mesh, PlainFacesTakeTheCounterTextureAndTheCorners) {
    pad_positions(40);
    const Vector4 used{};
    ASSERT_EQ(append_texcoords({&used, 1}), 0); // so corner_base is 1, not 0
    step_model_load_counter();                  // plain faces take texture slot 2
    load(MeshFile()
             .positions({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0})
             .faces(CHUNK_TRIANGLES, 3, {0, 1, 2, 2, 1, 3})
             .faces(CHUNK_QUADS, 4, {0, 1, 2, 3})
             .file());
    const auto f = faces();
    ASSERT_EQ(f.size(), 3u);
    EXPECT_EQ(f[0].kind, 0x21b);
    EXPECT_EQ(f[0].texture, 2);
    EXPECT_EQ(f[0].vertex, (std::vector<int16_t>{40, 41, 42}));
    EXPECT_EQ(f[0].texcoord, (std::vector<int16_t>{1, 2, 3}));
    EXPECT_EQ(f[1].vertex, (std::vector<int16_t>{42, 41, 43}));
    EXPECT_EQ(f[1].texcoord, (std::vector<int16_t>{1, 2, 3}));
    EXPECT_EQ(f[1].kind, 0x21b);
    EXPECT_EQ(f[2].kind, 0x21c);
    EXPECT_EQ(f[2].vertex, (std::vector<int16_t>{40, 41, 42, 43}));
    EXPECT_EQ(f[2].texcoord, (std::vector<int16_t>{1, 2, 3, 4}));
    EXPECT_EQ(f[2].colour, (std::vector<int16_t>{0, 0, 0, 0}));
    EXPECT_EQ(part(0).first_vertex, 40);
    EXPECT_EQ(part(0).vertex_count, 4);
}

TEST_F(Mesh, UnknownChunksAreSteppedOverBySize) {
    const Bytes junk = {0xFF, 0xFF, 0x64, 0x00, 0x08, 0x00, 0x00, 0x00, 1, 2, 3};
    load(MeshFile()
             .chunk(99, 30000, junk)
             .positions({0, 0, 0, 1, 0, 0, 1, 1, 0})
             .chunk(108, -5, junk)
             .faces(CHUNK_TRIANGLES, 3, {0, 1, 2})
             .chunk(0, 0, {})
             .file());
    EXPECT_EQ(stream_count(STREAM_POSITIONS), 3);
    ASSERT_EQ(faces().size(), 1u);
    EXPECT_EQ(faces()[0].vertex, (std::vector<int16_t>{0, 1, 2}));
}

TEST_F(Mesh, NamedTexturesAreSelectedByIndex) {
    const uint16_t texel[4] = {};
    ASSERT_EQ(install_texture("ome16.bmp", 1, 1, texel), 0);
    ASSERT_EQ(install_texture("buki16.bmp", 1, 1, texel), 1);
    ASSERT_EQ(install_texture("ho16.bmp", 1, 1, texel), 2);
    load(MeshFile()
             .positions({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0})
             .faces(CHUNK_TEXTURED_TRIANGLES, 3, {0, 1, 2}) // nothing selected: flat
             .names(2, {"ho16.bmp", "buki16.bmp"})
             .select(1)
             .faces(CHUNK_TEXTURED_QUADS, 4, {0, 1, 2, 3})
             .select(2) // past the list: ignored
             .select(-1)
             .faces(CHUNK_TEXTURED_TRIANGLES, 3, {3, 2, 1})
             .select(0)
             .faces(CHUNK_TEXTURED_TRIANGLES, 3, {0, 2, 3})
             .file());
    const auto f = faces();
    ASSERT_EQ(f.size(), 4u);
    EXPECT_EQ(f[0].kind, 0x213);
    EXPECT_EQ(f[0].texture, 0);
    EXPECT_EQ(f[1].kind, 0x21c);
    EXPECT_EQ(f[1].texture, 1);
    EXPECT_EQ(f[2].kind, 0x21b);
    EXPECT_EQ(f[2].texture, 1);
    EXPECT_EQ(f[3].texture, 2);
    EXPECT_EQ(texture_slot(1)->ref_count, 2); // found again, not loaded again
    EXPECT_EQ(texture_slot(2)->ref_count, 2);
    EXPECT_EQ(texture_slot(0)->ref_count, 1);
    EXPECT_EQ(texture_slot(3), nullptr);
}

TEST_F(Mesh, MissingTextureMakesFlatFacesAndLongNamesAreRefused) {
    const uint16_t texel[4] = {};
    const std::string long_name(52, 'x');
    ASSERT_EQ(install_texture("ok.bmp", 1, 1, texel), 0);
    const walkers::testing::HeardProblems heard;
    load(MeshFile()
             .positions({0, 0, 0, 1, 0, 0, 1, 1, 0})
             .names(3, {"ok.bmp", "absent.bmp", long_name})
             .select(0)
             .select(1)
             .faces(CHUNK_TEXTURED_TRIANGLES, 3, {0, 1, 2})
             .select(0)
             .select(2)
             .faces(CHUNK_TEXTURED_TRIANGLES, 3, {0, 1, 2})
             .file());
    // The long name is never even tried as a file.
    EXPECT_EQ(heard.log().unreadable_files(),
              std::vector<std::string>{(std::filesystem::current_path() / "absent.bmp").string()});
    const auto f = faces();
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0].kind, 0x213);
    EXPECT_EQ(f[1].kind, 0x213);
    // Each chunk drawn flat names the texture it selected.
    for (const std::string& name : {std::string("absent.bmp"), long_name})
        EXPECT_NE(heard.text().find("the selected texture '" + name + "' could not be loaded"),
                  std::string::npos)
            << heard.text();
}

TEST_F(Mesh, OnlySixtyFourNamesAreKept) {
    const uint16_t texel[4] = {};
    std::vector<std::string> list;
    for (int i = 0; i < 65; ++i) {
        list.push_back("t" + std::to_string(i));
        ASSERT_EQ(install_texture(list.back(), 1, 1, texel), i);
    }
    load(MeshFile()
             .positions({0, 0, 0, 1, 0, 0, 1, 1, 0})
             .names(65, list)
             .select(63)
             .select(64)
             .faces(CHUNK_TEXTURED_TRIANGLES, 3, {0, 1, 2})
             .file());
    ASSERT_EQ(faces().size(), 1u);
    EXPECT_EQ(faces()[0].texture, 63);
    EXPECT_EQ(texture_slot(63)->ref_count, 2);
    EXPECT_EQ(texture_slot(64)->ref_count, 1);
}

TEST_F(Mesh, NameListEndsAtANameWithoutItsTerminator) {
    const uint16_t texel[4] = {};
    ASSERT_EQ(install_texture("a", 1, 1, texel), 0);
    ASSERT_EQ(install_texture("b", 1, 1, texel), 1);
    // "a\0b" with no final NUL: only "a" is a name; index 1 does not exist.
    load(MeshFile()
             .positions({0, 0, 0, 1, 0, 0, 1, 1, 0})
             .chunk(CHUNK_TEXTURE_NAMES, 2, {'a', 0, 'b'})
             .select(0)
             .select(1)
             .faces(CHUNK_TEXTURED_TRIANGLES, 3, {0, 1, 2})
             .file());
    ASSERT_EQ(faces().size(), 1u);
    EXPECT_EQ(faces()[0].texture, 0);
    EXPECT_EQ(texture_slot(1)->ref_count, 1);
}

TEST_F(Mesh, TexturedFacesUsePerCornerTexcoordsWhenThePayloadHoldsThem) {
    const uint16_t texel[4] = {};
    ASSERT_EQ(install_texture("skin.bmp", 1, 1, texel), 0);
    load(MeshFile()
             .positions({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0})
             .texcoords({0, 0, 1, 0, 1, 1, 0, 1})
             .names(1, {"skin.bmp"})
             .select(0)
             .faces(CHUNK_TEXTURED_TRIANGLES, 3, {0, 1, 2, 0, 2, 3}, {2, 1, 0, 3, 3, 3})
             .faces(CHUNK_TEXTURED_QUADS, 4, {0, 1, 2, 3}, {0, 1, 2, 3})
             .faces(CHUNK_TEXTURED_QUADS, 4, {3, 2, 1, 0})
             .file());
    // Corners take texcoords 0..3, the chunk's own start at 4.
    const auto f = faces();
    ASSERT_EQ(f.size(), 4u);
    EXPECT_EQ(f[0].kind, 0x21b);
    EXPECT_EQ(f[0].vertex, (std::vector<int16_t>{0, 1, 2}));
    EXPECT_EQ(f[0].texcoord, (std::vector<int16_t>{6, 5, 4}));
    EXPECT_EQ(f[0].colour, (std::vector<int16_t>{0, 0, 0}));
    EXPECT_EQ(f[1].texcoord, (std::vector<int16_t>{7, 7, 7}));
    EXPECT_EQ(f[2].kind, 0x21c);
    EXPECT_EQ(f[2].texcoord, (std::vector<int16_t>{4, 5, 6, 7}));
    EXPECT_EQ(f[3].vertex, (std::vector<int16_t>{3, 2, 1, 0}));
    EXPECT_EQ(f[3].texcoord, (std::vector<int16_t>{0, 0, 0, 0}));
    EXPECT_EQ(f[3].colour, (std::vector<int16_t>{0, 0, 0, 0}));
}

TEST_F(Mesh, FacesWithVertexIndicesOutsideTheMeshAreDropped) {
    pad_positions(10);
    load(MeshFile()
             .faces(CHUNK_TRIANGLES, 3, {0, 1, 2}) // before any positions
             .positions({0, 0, 0, 1, 0, 0, 1, 1, 0})
             .faces(CHUNK_TRIANGLES, 3, {0, 1, 3, 0, 1, 2, -1, 0, 1})
             .texcoords({0, 0, 1, 1})
             .faces(CHUNK_TEXTURED_TRIANGLES, 3, {0, 1, 2, 2, 1, 3}, {0, 1, 1, 0, 1, 2})
             .file());
    const auto f = faces();
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0].vertex, (std::vector<int16_t>{10, 11, 12}));
    EXPECT_EQ(f[0].kind, 0x21b);
    EXPECT_EQ(f[1].vertex, (std::vector<int16_t>{10, 11, 12}));
    EXPECT_EQ(f[1].kind, 0x213);
    EXPECT_EQ(f[1].texcoord, (std::vector<int16_t>{4, 5, 5}));
}

// Only an index that drawing the face reads can drop it. Texcoord indices count
// from the latest texcoords chunk (from 0 before any) and only textured faces
// read them, so they drop a face only when base + index leaves the stream.
TEST_F(Mesh, TexcoordIndicesDropOnlyTexturedFacesAndOnlyOutsideTheStream) {
    const auto shape = [] { return MeshFile().positions({0, 0, 0, 1, 0, 0, 1, 1, 0}); };
    const auto textured = [&] {
        return shape().texcoords({0, 0, 1, 1}).names(1, {"skin.bmp"}).select(0);
    };
    struct Case {
        const char* what;
        MeshFile file;
        std::vector<Face> drawn; // kind, texture, vertex, texcoord
        const char* heard;       // what a listener is told: the position, then the message
    };
    const std::vector<Case> cases = {
        {"flat, texcoord indices before any texcoords chunk",
         shape().faces(CHUNK_TEXTURED_TRIANGLES, 3, {0, 1, 2}, {7, 8, 9}),
         {{0x213, 0, {0, 1, 2}, {7, 8, 9}, {}}},
         "byte 52: warning: textured-triangles chunk: no texture is selected before it; its "
         "faces are drawn flat"},
        {"flat, texcoord indices far outside the stream",
         shape().faces(CHUNK_TEXTURED_QUADS, 4, {0, 1, 2, 2}, {5000, -3, 0, 1}),
         {{0x214, 0, {0, 1, 2, 2}, {5000, -3, 0, 1}, {}}},
         "byte 52: warning: textured-quads chunk: no texture is selected before it"},
        {"textured, past the latest chunk but inside the stream",
         textured().faces(CHUNK_TEXTURED_TRIANGLES, 3, {0, 1, 2}, {0, 1, 5}),
         {{0x21b, 0, {0, 1, 2}, {4, 5, 9}, {}}},
         "byte 111: warning: face 0 of a textured-triangles chunk: texture coordinate indices "
         "reach past the 2 entries of the latest texcoords chunk"},
        {"textured, the last entry of the stream",
         textured().faces(CHUNK_TEXTURED_TRIANGLES, 3, {0, 1, 2}, {1195, 0, 1}),
         {{0x21b, 0, {0, 1, 2}, {1199, 4, 5}, {}}},
         "byte 111: warning: face 0 of a textured-triangles chunk: texture coordinate indices "
         "reach past"},
        {"textured, one past the stream",
         textured().faces(CHUNK_TEXTURED_TRIANGLES, 3, {0, 1, 2}, {0, 1196, 1}),
         {},
         "byte 119: error: face 0 of a textured-triangles chunk: texture coordinate index 1196, "
         "counted from the latest texcoords chunk, falls outside the texcoord stream (1200 "
         "entries); face dropped"},
        {"textured, before the stream's start",
         textured().faces(CHUNK_TEXTURED_TRIANGLES, 3, {0, 1, 2, 2, 1, 0}, {-5, 0, 1, 0, 1, 0}),
         {{0x21b, 0, {2, 1, 0}, {4, 5, 4}, {}}},
         "byte 123: error: face 0 of a textured-triangles chunk: texture coordinate index -5"},
    };
    const uint16_t texel[4] = {};
    for (const Case& c : cases) {
        walkers::testing::reset_all_modules();
        bind_streams();
        ASSERT_EQ(install_texture("skin.bmp", 1, 1, texel), 0);
        model = create_model_slot(1);
        const walkers::testing::HeardProblems heard;
        EXPECT_EQ(load_mesh(model, c.file.file(), "m.msh"), 0);
        EXPECT_NE(heard.text().find(std::string("m.msh:") + c.heard), std::string::npos)
            << c.what << "\n"
            << heard.text();
        const auto f = faces();
        ASSERT_EQ(f.size(), c.drawn.size()) << c.what;
        for (std::size_t i = 0; i < f.size(); ++i) {
            EXPECT_EQ(f[i].kind, c.drawn[i].kind) << c.what;
            EXPECT_EQ(f[i].texture, c.drawn[i].texture) << c.what;
            EXPECT_EQ(f[i].vertex, c.drawn[i].vertex) << c.what;
            EXPECT_EQ(f[i].texcoord, c.drawn[i].texcoord) << c.what;
        }
    }
}

TEST_F(Mesh, PlainChunkOfMoreThan256FacesIsSkipped) {
    std::vector<int16_t> many;
    for (int i = 0; i < 257; ++i)
        many.insert(many.end(), {0, 1, 2});
    std::vector<int16_t> most(many.begin(), many.end() - 3);
    load(MeshFile()
             .positions({0, 0, 0, 1, 0, 0, 1, 1, 0})
             .faces(CHUNK_TRIANGLES, 3, many)
             .faces(CHUNK_TRIANGLES, 3, most)
             .file());
    EXPECT_EQ(faces().size(), 256u);
}

TEST_F(Mesh, OddFloatsAreContained) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    load(
        MeshFile()
            .positions({inf, -inf, nan, 1e30f, 1e30f, -1e30f, 7158278.0f, -7158279.0f, -7158278.5f})
            .texcoords({nan, 1e30f})
            .file());
    EXPECT_TRUE(same(positions[0], {0, 0, 0, 0}));
    EXPECT_TRUE(same(positions[1], {INT32_MAX, INT32_MIN, INT32_MIN, 0}));
    // Near the edge: 2147483400 fits, 2147483700 is clamped, and the exact
    // product -2147483550 is truncated, not rounded or clamped.
    EXPECT_TRUE(same(positions[2], {2147483400, INT32_MAX, -2147483550, 0}));
    EXPECT_TRUE(same(texcoords[4], {0, INT32_MAX, 0, 0}));
}

TEST_F(Mesh, BrokenSizesEndTheWalkWithoutReadingPastTheData) {
    const MeshFile good = MeshFile().positions({0, 0, 0, 1, 0, 0, 1, 1, 0});
    const std::size_t good_end = good.bytes.size();

    // Size below 8: the walk stops there.
    load(MeshFile(good).raw(CHUNK_TRIANGLES, 1, 7, {0, 0, 1, 0, 2, 0}).file());
    // Size running past the data: stops too.
    load(MeshFile(good).raw(CHUNK_TRIANGLES, 1, 15, {0, 0, 1, 0, 2, 0}).file());
    // Total size shorter than the data: the chunk after it is never seen.
    load(MeshFile(good).faces(CHUNK_TRIANGLES, 3, {0, 1, 2}).file(static_cast<uint32_t>(good_end)));
    // Total size far beyond the data: cut at the data's end.
    load(MeshFile(good).faces(CHUNK_TRIANGLES, 3, {0, 1, 2}).file(0xFFFFFFFFu));
    EXPECT_EQ(faces().size(), 1u);

    // A chunk header cut short at the end of the data.
    Bytes cut = MeshFile(good).file(0xFFFFFFFFu);
    cut.insert(cut.end(), {101, 0, 1, 0, 14});
    load(cut);
    // Less than a file header: only the corners and an empty part.
    load(Bytes{1, 2, 3});
    load(Bytes{});
    EXPECT_EQ(faces().size(), 1u);
    EXPECT_EQ(stream_count(STREAM_POSITIONS), 5 * 3);
    EXPECT_EQ(stream_count(STREAM_TEXCOORDS), 7 * 4);
}

TEST_F(Mesh, CountsArePitchedAgainstThePayload) {
    Bytes two;
    for (float f : {1.0f, 2.0f, 3.0f, 4.0f, 5.0f, 6.0f, 7.0f})
        putf(two, f); // two whole positions and a stray float
    load(MeshFile()
             .chunk(CHUNK_POSITIONS, 3, two)
             .chunk(CHUNK_TEXCOORDS, 5, {0, 0, 0x80, 0x3F, 0, 0, 0x80, 0x3F, 1})
             .faces(CHUNK_TRIANGLES, 3, {0, 1, 1, 1, 0, 0}) // two faces...
             .raw(CHUNK_TRIANGLES, 9, 8 + 12, {0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0})
             .chunk(CHUNK_POSITIONS, 0, two)
             .file());
    EXPECT_EQ(stream_count(STREAM_POSITIONS), 2);
    EXPECT_EQ(stream_count(STREAM_TEXCOORDS), 5);
    EXPECT_TRUE(same(texcoords[4], {255, 255, 0, 0}));
    EXPECT_EQ(faces().size(), 4u);
    // A positions chunk of count 0 appends nothing and leaves the part empty.
    EXPECT_EQ(part(0).vertex_count, 0);
}

TEST_F(Mesh, FullStreamsKeepTheMeshConsistent) {
    pad_positions(SCREEN_VERTEX_CAPACITY - 2);
    load(MeshFile()
             .positions({0, 0, 0, 1, 0, 0, 1, 1, 0})
             .faces(CHUNK_TRIANGLES, 3, {0, 1, 2, 0, 1, 1})
             .file());
    EXPECT_EQ(stream_count(STREAM_POSITIONS), SCREEN_VERTEX_CAPACITY);
    EXPECT_EQ(part(0).first_vertex, SCREEN_VERTEX_CAPACITY - 2);
    EXPECT_EQ(part(0).vertex_count, 2);
    const auto f = faces();
    ASSERT_EQ(f.size(), 1u); // the face naming the vertex that did not fit is gone
    EXPECT_EQ(f[0].vertex, (std::vector<int16_t>{1498, 1499, 1499}));
}

TEST_F(Mesh, NoRoomForTheCornersDropsOnlyPlainFaces) {
    const Vector4 fill{};
    while (append_texcoords({&fill, 1}) >= 0) {
    }
    load(MeshFile()
             .positions({0, 0, 0, 1, 0, 0, 1, 1, 0})
             .faces(CHUNK_TRIANGLES, 3, {0, 1, 2})
             .faces(CHUNK_TEXTURED_TRIANGLES, 3, {2, 1, 0})
             .file());
    const auto f = faces();
    ASSERT_EQ(f.size(), 1u);
    EXPECT_EQ(f[0].kind, 0x213);
    EXPECT_EQ(f[0].vertex, (std::vector<int16_t>{2, 1, 0}));
    EXPECT_EQ(part(0).vertex_count, 3);
}

} // namespace
