// check.h - what walkers-check finds in an asset folder, and what the window
// and the page list after each load: one check for all three.
//
// setup_and_check sets the scene up on the folder for a host (setup_scene, nine
// walkers, as the demo's start-up does, with the random generator restarted so
// the frames that follow are those of a fresh start), listening to the loaders,
// then reads the loaded state back:
// - every problem the loaders reported, each once; a BMP the texture loader
//   refuses or reads wrongly also names the command that converts a picture
//   into one it reads (walkers-import --texture);
// - problems only the loaded whole shows, added by the check itself: a budget
//   the nine walkers break (an error) or hold above 90 % (a warning), a part
//   hierarchy whose pushes or pops the matrix stack refuses (an error: the parts
//   hang elsewhere than the file says), an outfit that is not in the texture
//   slot plain faces take (an error, told at the outfit's file: they wear
//   another texture, or none), walkers that load but have no face to draw (an
//   error), a texture no face uses (a warning), and the animation file when it
//   is missing but was never read because no model loaded (an error);
// - all of them in file order (each file where it was first met), and within a
//   file by line or byte, those without a position last;
// - the model and animation of the first walker, the textures, and the budget.
// A folder that cannot be listed or entered is one problem naming the reason;
// setup still runs (with no walkers), so a window has its surface. The scene
// stays set up for the caller's frames.
//
// check_folder is walkers-check's: setup_and_check on a headless surface of the
// demo's size, then the scene is torn down again and the working directory is
// the one the check started in.
//
// problem_lines are the problems as every front end shows them, one
// format_diagnostic line each (names escaped), and a last line when some were
// cut; problem_count_text counts them: "2 errors, 1 warning"; problem_summary
// is the line that sums a check up, "FOLDER: 2 errors, 1 warning", with the
// folder's name escaped as the lines escape names.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "assets/diagnostics.h"
#include "render/surface.h"

namespace walkers::check {

// A share of one of the renderer's capacities. per_walker is -1 for shares
// that do not grow with the walkers (slots of a table, one parsed file).
struct BudgetLine {
    std::string what;
    int64_t per_walker;
    int64_t used;
    int64_t capacity;

    // What `walkers` walkers take of the capacity: their shares, which may be
    // more than the store kept of them, or what is used for a fixed share.
    int64_t needed(int32_t walkers) const { return per_walker >= 0 ? per_walker * walkers : used; }
    // That share in whole percent of the capacity, rounded down (0 for none).
    int64_t percent(int32_t walkers) const {
        return capacity > 0 ? needed(walkers) * 100 / capacity : 0;
    }
};

struct ModelSummary {
    std::string file;
    bool loaded = false;
    int32_t parts = 0;
    int32_t part_room = 0; // the head's part count
    int32_t vertices = 0;
    int32_t depth = 0; // deepest matrix-stack level the parts reach
};

struct AnimationSummary {
    std::string file;
    bool loaded = false;
    bool plays = false;
    int32_t keys = 0;
    int32_t poses = 0;
    int32_t parts = 0;
    int32_t keys_played = 0; // distinct keys playback visits from key 0
    bool loops = false;      // playback comes back round (else its last key repeats)
};

struct TextureSummary {
    int32_t slot = 0;
    std::string name;
    std::string file;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bits_per_pixel = 0;
    int32_t faces = 0; // faces of all walkers drawn with it
};

struct CheckReport {
    std::string folder; // full path
    bool folder_opened = false;
    std::vector<Diagnostic> problems;
    bool problems_overflowed = false;
    int32_t walkers = 0;
    int32_t walkers_loaded = 0;
    int32_t walkers_drawing = 0; // of those loaded, those with a face to draw
    ModelSummary model;
    AnimationSummary animation;
    std::vector<TextureSummary> textures;
    std::vector<BudgetLine> budget;

    int32_t count(Severity severity) const;
};

CheckReport setup_and_check(WindowHost* host, const std::filesystem::path& folder);
CheckReport check_folder(const std::filesystem::path& folder);

std::vector<std::string> problem_lines(const CheckReport& report);
std::string problem_count_text(const CheckReport& report);
std::string problem_summary(const CheckReport& report);
// "1 error", "2 errors": n and the word that fits it.
std::string counted(int64_t n, const char* one, const char* many);

// The share above which a budget line is a warning.
constexpr int32_t BUDGET_WARNING_PERCENT = 90;

} // namespace walkers::check
