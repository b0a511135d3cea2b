// fuzz_import - walkers-import's whole conversion on arbitrary model files.
//
// An input is a format hint (its first byte picks one of the common formats'
// extensions, below), the import's part limit (its second byte, 1 to 32), and then
// the file itself, read from memory by Assimp and made into a data folder in
// memory (nothing is written). What may come of it: the folder, or an
// ImportError (the one-line reason the tool prints), or std::bad_alloc when a
// reader asks for more than the allocation cap the tool runs with allows
// (tools/import/allocation_cap.cpp is linked in here too). Any other exception
// is a fault, the importer's std::logic_error (a result it cannot have made,
// such as pop counts that do not replay to the parts' hierarchy) among them: it
// is not caught, so the run aborts on it. A folder must hold the model, the
// animation and a mesh per part. Inputs naming devices or /proc are skipped:
// readers open the files a model names, and a read there would stall the run
// without finding anything.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <span>
#include <string_view>

#include "fuzz_inputs.h"
#include "geometry/matrix.h"
#include "import.h"

using namespace walkers::import;

namespace {

// Not "ply": Assimp 5.2's PLY reader can loop for ever on a broken header, which
// walkers-import meets with its watchdog (tools/import/main.cpp), not a fuzzer.
constexpr const char* HINTS[] = {"obj", "gltf", "glb", "dae", "x",   "md2", "md5mesh",
                                 "bvh", "off",  "stl", "fbx", "3ds", "ms3d"};

void check_folder(const ImportResult& r) {
    std::size_t meshes = 0;
    bool model = false, animation = false;
    for (const DataFile& f : r.files) {
        if (f.name.empty() || f.bytes.empty()) std::abort();
        meshes += f.name.ends_with(".msh");
        model = model || f.name == "mdt.txt";
        animation = animation || f.name == "an.txt";
    }
    if (!model || !animation || meshes != r.parts.node.size() || meshes == 0) std::abort();
}

} // namespace

// The allocation cap's operator delete frees what Assimp's own new (the
// sanitizer's, in this statically linked build) allocated: the same heap, so
// the sanitizer's new/free pairing check would only report the cap itself.
extern "C" const char* __asan_default_options() {
    return "alloc_dealloc_mismatch=0";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (walkers::fuzzing::names_special_files(input)) return 0;
    ImportOptions options;
    options.max_parts = 1 + data[1] % walkers::MATRIX_STACK_DEPTH;
    const char* hint = HINTS[data[0] % (sizeof HINTS / sizeof *HINTS)];
    try {
        check_folder(import_scene(read_model_memory({data + 2, size - 2}, hint), options));
    } catch (const ImportError&) {
    } catch (const std::bad_alloc&) {
    }
    return 0;
}
