// fuzz_bmp - load_texture on arbitrary file contents.
//
// Each input is written to one file at a short fixed path (slot names must stay
// under 28 characters) and loaded into an empty table. A slot that comes back
// must have accepted sizes and exactly as many texels as they promise; every
// texel is read so the sanitizers see any stray byte. Every problem the loader
// reports must name the file and point inside it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "assets/bmp.h"
#include "fuzz_listener.h"
#include "render/texture_table.h"

using namespace walkers;

namespace {

std::string& texture_path() {
    static std::string path;
    return path;
}

void remove_work_dir() {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(texture_path()).parent_path(), ignored);
}

bool write_input(const uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(texture_path().c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && written;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char dir[] = "/tmp/wkbXXXXXX";
    if (mkdtemp(dir) == nullptr) std::abort();
    texture_path() = std::string(dir) + "/f.bmp";
    std::atexit(remove_work_dir);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (!write_input(data, size)) std::abort();
    clear_texture_table();
    const fuzzing::HeardProblems heard;
    const int32_t slot = load_texture(texture_path());
    heard.check("/f.bmp", 0, static_cast<int64_t>(size));
    if (slot >= 0) {
        const TextureSlot* record = texture_slot(slot);
        if (record == nullptr || record->width_shift < 1 || record->width_shift > 8 ||
            record->height_shift < 1 || record->height_shift > 8 ||
            record->pixels.size() != std::size_t{1} << (record->width_shift + record->height_shift))
            std::abort();
        uint32_t sum = 0;
        for (uint16_t texel : record->pixels)
            sum += texel;
        volatile uint32_t sink = sum;
        (void)sink;
    }
    clear_texture_table();
    return 0;
}
