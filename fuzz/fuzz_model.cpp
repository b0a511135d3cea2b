// fuzz_model - load_model_text on arbitrary text, with a real mesh to name.
//
// Each input is loaded inside a temporary directory holding "m.bin", a small
// valid mesh the harness writes itself, so object lists can load it; the
// working directory is restored after every input, since libFuzzer writes new
// corpus entries relative to it. The store, the
// streams and the tables are rebuilt for every input, so memory stays flat and
// each input starts from the same state. Inputs naming devices or /proc are
// skipped: a blocking read there would stall the run without finding anything.
// The loaders' problem reports are heard, so the code that builds them runs too.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "assets/model.h"
#include "assets/model_file.h"
#include "fuzz_inputs.h"
#include "fuzz_listener.h"
#include "render/store.h"
#include "scene/scene.h"

using namespace walkers;

namespace {

std::vector<Vector4> positions(SCREEN_VERTEX_CAPACITY);
std::vector<Vector4> colours(COLOUR_CAPACITY);
std::vector<Vector4> texcoords(COLOUR_CAPACITY);
std::string work_dir;
std::string start_dir;

void remove_work_dir() {
    std::error_code ignored;
    std::filesystem::remove_all(work_dir, ignored);
}

void enter(const std::string& dir) {
    if (chdir(dir.c_str()) != 0) std::abort();
}

void put16(std::vector<uint8_t>& b, int32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int k = 0; k < 4; ++k)
        b.push_back(static_cast<uint8_t>(v >> (8 * k)));
}

// Three positions and one plain triangle.
void write_mesh() {
    std::vector<uint8_t> b(8, 0);
    put16(b, 100);
    put16(b, 3);
    put32(b, 8 + 36);
    const float xyz[9] = {0, 0, 0, 1, 0, 0, 0, 1, 0};
    for (float f : xyz) {
        uint32_t bits = 0;
        std::memcpy(&bits, &f, 4);
        put32(b, bits);
    }
    put16(b, 101);
    put16(b, 1);
    put32(b, 14);
    put16(b, 0);
    put16(b, 1);
    put16(b, 2);
    const uint32_t total = static_cast<uint32_t>(b.size());
    for (int k = 0; k < 4; ++k)
        b[4 + k] = static_cast<uint8_t>(total >> (8 * k));
    std::FILE* file = std::fopen("m.bin", "wb");
    if (file == nullptr || std::fwrite(b.data(), 1, b.size(), file) != b.size()) std::abort();
    std::fclose(file);
}

void reset_state() {
    teardown_scene(); // every module back to its start
    if (create_render_store() != 0) std::abort();
    set_position_stream(positions);
    set_colour_stream(colours);
    set_texcoord_stream(texcoords);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char dir[] = "/tmp/wkmXXXXXX";
    if (mkdtemp(dir) == nullptr) std::abort();
    work_dir = dir;
    start_dir = std::filesystem::current_path().string();
    std::atexit(remove_work_dir);
    enter(work_dir);
    write_mesh();
    enter(start_dir);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::vector<char> text(data, data + size);
    text.push_back('\0');
    if (fuzzing::names_special_files({text.data(), text.size() - 1})) return 0;
    reset_state();
    enter(work_dir);
    const fuzzing::HeardProblems heard;
    const int32_t model = load_model_text(text.data());
    enter(start_dir);
    const ModelSlot* slot = model_slot(model);
    if (model != -1 && slot == nullptr) std::abort();
    if (slot != nullptr) {
        if (slot->part_count < 0 || static_cast<std::size_t>(slot->part_count) > slot->parts.size())
            std::abort();
        int32_t sum = 0;
        for (int32_t p = 0; p < slot->part_count; ++p) {
            const ModelPart& part = slot->parts[p];
            for (const Vector4& v : part.vertices)
                sum += v.x & 1;
            sum += part.pop_count & 1;
        }
        volatile int32_t sink = sum;
        (void)sink;
    }
    return 0;
}
