// fuzz_mesh - load_mesh on arbitrary bytes.
//
// Every input starts from a fresh store with bound streams and an empty model
// table. The texture table is filled once, up front, with a few real names and
// placeholders, so texture names in the input resolve by lookup or are refused
// as "table full" without touching the file system. After the load, every
// emitted record must point inside the streams it was built from, and every
// problem the loader reports must point inside the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "assets/mesh.h"
#include "assets/model.h"
#include "fuzz_listener.h"
#include "render/store.h"
#include "render/texture_table.h"

using namespace walkers;

namespace {

struct Streams {
    std::vector<Vector4> positions = std::vector<Vector4>(SCREEN_VERTEX_CAPACITY);
    std::vector<Vector4> colours = std::vector<Vector4>(200);
    std::vector<Vector4> texcoords = std::vector<Vector4>(1200);
};

Streams& streams() {
    static Streams s;
    return s;
}

void fill_texture_table() {
    clear_texture_table();
    const uint16_t texels[4] = {0x7FFF, 0x001F, 0x03E0, 0x7C00};
    const char* names[] = {"ome16.bmp", "buki16.bmp", "ho16.bmp", "a", "b"};
    for (const char* name : names)
        install_texture(name, 1, 1, texels);
    for (int32_t k = 0; texture_slot(TEXTURE_SLOTS - 1) == nullptr; ++k)
        if (install_texture("#" + std::to_string(k), 1, 1, texels) < 0) std::abort();
}

void check(bool ok) {
    if (!ok) std::abort();
}

// Every record is whole and lies inside the area; its vertices are appended
// positions, and a textured record's texcoords (which only it reads) lie inside
// the texcoord stream's storage.
void check_records() {
    const PrimitiveStore& store = *current_store();
    const int32_t vertices = stream_count(STREAM_POSITIONS);
    const auto texcoords = static_cast<int32_t>(store.texcoords.size());
    int32_t count = 0;
    for (int32_t at = 0; at < store.write_cursor; ++count) {
        const Primitive& p = primitive_at(at);
        check(p.size == TRIANGLE_RECORD_BYTES || p.size == QUAD_RECORD_BYTES);
        const int32_t n = primitive_corners(p);
        check(n == (p.size == QUAD_RECORD_BYTES ? 4 : 3));
        check((p.kind & ~PRIM_TEXTURED_BIT) == (PRIM_CULL_BACK | PRIM_FLAT_TRIANGLE) ||
              (p.kind & ~PRIM_TEXTURED_BIT) == (PRIM_CULL_BACK | PRIM_FLAT_QUAD));
        if (p.kind & PRIM_TEXTURED_BIT) check(texture_slot(p.texture) != nullptr);
        for (int32_t j = 0; j < n; ++j) {
            check(primitive_vertices(p)[j] >= 0 && primitive_vertices(p)[j] < vertices);
            if (p.kind & PRIM_TEXTURED_BIT)
                check(primitive_texcoords(p)[j] >= 0 && primitive_texcoords(p)[j] < texcoords);
        }
        at += p.size;
    }
    check(count == store.primitive_count);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fill_texture_table();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (create_render_store() != 0) std::abort();
    Streams& s = streams();
    set_position_stream(s.positions);
    set_colour_stream(s.colours);
    set_texcoord_stream(s.texcoords);
    clear_model_table();
    for (std::size_t k = 0; k < size % 3; ++k)
        step_model_load_counter();
    const int32_t model = create_model_slot(1);
    const fuzzing::HeardProblems heard;
    load_mesh(model, std::span<const uint8_t>(data, size), "m.msh");
    heard.check("/m.msh", 0, static_cast<int64_t>(size));
    check(model_slot(model)->part_count == 1);
    const ModelPart& part = model_slot(model)->parts[0];
    check(part.vertex_count >= 0 && part.first_vertex >= 0 &&
          part.first_vertex + part.vertex_count <= stream_count(STREAM_POSITIONS));
    check_records();
    return 0;
}
