// import.h - a model file made into a walkers data folder, in memory.
//
// import_model reads the model (source.h) and builds every file of the folder:
// "mdt.txt", "an.txt", one mesh per part, the textures and the three start-up
// textures, with notes that say what was made and what had to give:
// 1. A skeleton without meshes gets a stick figure (stick_figure.h).
// 2. The model is fitted: turned to face the viewer, scaled to `height` units,
//    soles at y = 0, centred in x and z (fit.h).
// 3. Nodes carrying triangles become parts, merged down to `max_parts`
//    (parts.h); each part's triangles are taken into its own frame (origin at
//    its node's joint, the model's axes) and wound clockwise as the renderer
//    wants them.
// 4. Materials become surfaces: the untextured material that covers most
//    becomes the plain faces, which wear the three start-up textures ("ome16.bmp",
//    "buki16.bmp", "ho16.bmp", 2 x 2 of its colour; three outfit colours for
//    a stick figure); a texture becomes a BMP (pictures.h); another untextured
//    material a 2 x 2 texture of its colour. A picture that cannot be read
//    falls back to its material's colour.
// 5. The meshes are simplified to fit nine walkers (fitting.h); when even the
//    fewest triangles do not fit, parts are merged further.
// 6. The clip (the first, or `animation`) is sampled `fps` times a second into
//    held poses (clip.h), as many as "an.txt" holds: a longer clip is cut.
// Everything that does not fit, and cannot be made to, throws ImportError:
// a clip or texture that is not there, more textures than the renderer's
// slots, a mesh with more than 64 textures. A fault of the importer itself (a
// result it cannot have made) throws std::logic_error.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "angles.h"
#include "clip.h"
#include "data_file.h"
#include "fit.h"
#include "fitting.h"
#include "mesh_writer.h"
#include "parts.h"
#include "source.h"

namespace walkers::import {

// The generated walker's height: the default for --height.
constexpr double WALKER_HEIGHT = 264;
constexpr int32_t DEFAULT_MAX_PARTS = 16;
constexpr double DEFAULT_FPS = 15;

struct ImportOptions {
    double height = WALKER_HEIGHT;
    std::optional<Forward> forward; // none: the format's usual one
    double fps = DEFAULT_FPS;
    std::string animation; // empty: the first clip
    int32_t max_parts = DEFAULT_MAX_PARTS;
};

using writers::DataFile;

// One line of what the import did: a topic and its text.
struct Note {
    std::string topic;
    std::string text;
};

struct ImportResult {
    std::vector<DataFile> files;
    std::vector<Note> notes;
    // What the files were made from, for a reader who wants to check them.
    Fit fit;
    PartPlan parts;
    ClipPlan clip;
    int32_t clip_index = -1; // in the scene's clips; -1 for none
    Use use;                 // of one walker's copy
};

ImportResult import_scene(SourceScene scene, const ImportOptions& options);
ImportResult import_model(const std::filesystem::path& file, const ImportOptions& options);

// "1,204": a count with thousands separated, as the notes print them.
std::string count_text(int64_t n);

} // namespace walkers::import
