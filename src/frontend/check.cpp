// check.cpp - loads a folder as the demo does and reads the result back.
#include "frontend/check.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string_view>
#include <system_error>

#include "assets/animation.h"
#include "assets/file.h"
#include "assets/model.h"
#include "assets/printable_text.h"
#include "assets/section.h"
#include "frontend/demo_window.h"
#include "frontend/loaded_walkers.h"
#include "geometry/matrix.h"
#include "geometry/transform.h"
#include "render/store.h"
#include "render/texture_table.h"
#include "scene/scene.h"

namespace walkers::check {

namespace {

constexpr const char* MODEL_FILE = "mdt.txt";
constexpr const char* ANIMATION_FILE = "an.txt";

// A problem the check itself finds, in the loaders' form.
void add_problem(CheckReport& report, Severity severity, const std::string& file,
                 const std::string& message) {
    Diagnostic d;
    d.severity = severity;
    d.file = file;
    d.message = message;
    report.problems.push_back(std::move(d));
}

// Stream and primitive shares grow with the walkers: each loads its own copy.
void add_store_budget(CheckReport& report) {
    const StoreUse total = store_use();
    const StoreUse first = walker_store_use()[0];
    report.budget.push_back({"positions", first.positions, total.positions,
                             std::min(POSITION_STREAM_CAPACITY, SCREEN_VERTEX_CAPACITY)});
    report.budget.push_back(
        {"texture coordinates", first.texcoords, total.texcoords, TEXCOORD_STREAM_CAPACITY});
    report.budget.push_back(
        {"primitive bytes", first.primitive_bytes, total.primitive_bytes, PRIMITIVE_BYTES});
}

int32_t occupied_model_slots() {
    int32_t n = 0;
    for (int32_t i = 0; i < MODEL_SLOTS; ++i)
        n += model_slot(i) != nullptr;
    return n;
}

int32_t occupied_animation_slots() {
    int32_t n = 0;
    for (int32_t i = 0; i < ANIMATION_SLOTS; ++i)
        n += animation_slot(i) != nullptr;
    return n;
}

int32_t occupied_texture_slots() {
    int32_t n = 0;
    for (int32_t i = 0; i < TEXTURE_SLOTS; ++i)
        n += texture_slot(i) != nullptr;
    return n;
}

// The bytes a text file parses into (nobody listens: the load already told
// its problems).
int64_t parsed_bytes(const char* file) {
    const ListeningScope quiet(nullptr);
    return static_cast<int64_t>(parse_section_file(file).bytes.size());
}

int64_t animation_record_bytes(const AnimationSlot* a) {
    if (a == nullptr) return 0;
    return static_cast<int64_t>(a->keys.size()) * KEYFRAME_BYTES +
           static_cast<int64_t>(a->poses.size() + a->from_pose.size()) * VECTOR_BYTES;
}

void add_table_budget(CheckReport& report) {
    report.budget.push_back({"model slots", -1, occupied_model_slots(), MODEL_SLOTS});
    report.budget.push_back({"animation slots", -1, occupied_animation_slots(), ANIMATION_SLOTS});
    report.budget.push_back({"texture slots", -1, occupied_texture_slots(), TEXTURE_SLOTS});
    report.budget.push_back(
        {"mdt.txt parsed bytes", -1, parsed_bytes(MODEL_FILE), SECTION_BLOB_CAPACITY});
    report.budget.push_back(
        {"an.txt parsed bytes", -1, parsed_bytes(ANIMATION_FILE), SECTION_BLOB_CAPACITY});
    report.budget.push_back({"animation record bytes", -1,
                             animation_record_bytes(animation_slot(walkers()[0].animation)),
                             ANIMATION_ROOM_BYTES});
    report.budget.push_back({"matrix stack levels", -1, report.model.depth, MATRIX_STACK_DEPTH});
}

// Shares beyond their capacity for nine walkers are errors, above 90 % warnings.
void check_budget(CheckReport& report) {
    for (const BudgetLine& line : report.budget) {
        const int64_t needed = line.needed(report.walkers);
        const std::string share = std::to_string(needed) + " of " + std::to_string(line.capacity);
        if (needed > line.capacity)
            add_problem(report, Severity::error, report.model.file,
                        "budget: " + std::to_string(report.walkers) + " walkers need " + share +
                            " " + line.what + "; what does not fit is dropped");
        else if (needed * 100 > line.capacity * BUDGET_WARNING_PERCENT)
            add_problem(report, Severity::warning, report.model.file,
                        "budget: " + std::to_string(report.walkers) + " walkers use " + share +
                            " " + line.what + " (" + std::to_string(line.percent(report.walkers)) +
                            " %)");
    }
}

// The first walker's model: its parts and the hierarchy the frames will walk.
void read_model(CheckReport& report) {
    const ModelSlot* model = model_slot(walkers()[0].model);
    if (model == nullptr) return;
    ModelSummary& m = report.model;
    m.loaded = true;
    m.parts = model->part_count;
    m.part_room = static_cast<int32_t>(model->parts.size());
    const auto parts = model->parts.first(static_cast<std::size_t>(model->part_count));
    for (const ModelPart& part : parts)
        m.vertices += part.vertex_count;
    const StackWalk walk = walk_part_stack(parts);
    m.depth = walk.deepest;
    if (walk.refused_push >= 0)
        add_problem(report, Severity::error, m.file,
                    "part " + std::to_string(walk.refused_push) + " lies deeper than the " +
                        std::to_string(MATRIX_STACK_DEPTH) +
                        " levels of the matrix stack; it and the parts below it are placed "
                        "wrongly");
    if (walk.refused_pop >= 0) {
        const auto p = static_cast<std::size_t>(walk.refused_pop);
        add_problem(report, Severity::error, m.file,
                    "SEC_M_BORN: part " + std::to_string(walk.refused_pop) + "'s pop count " +
                        std::to_string(parts[p].pop_count) + " does not fit the " +
                        std::to_string(walk.level_at_refused_pop) +
                        " levels above it; the renderer hangs the next part from this one");
    }
}

// Keys playback visits from key 0, and whether it comes back round.
void read_animation(CheckReport& report) {
    const AnimationSlot* a = animation_slot(walkers()[0].animation);
    if (a == nullptr) return;
    AnimationSummary& s = report.animation;
    s.loaded = true;
    s.plays = a->complete;
    s.keys = static_cast<int32_t>(a->keys.size());
    s.parts = a->parts;
    s.poses = a->parts > 0 ? static_cast<int32_t>(a->poses.size()) / a->parts : 0;
    if (!a->complete) return;
    std::vector<bool> visited(a->keys.size(), false);
    for (int32_t k = 0; k != NO_KEY && !visited[static_cast<std::size_t>(k)];) {
        visited[static_cast<std::size_t>(k)] = true;
        ++s.keys_played;
        k = a->keys[static_cast<std::size_t>(k)].next;
        s.loops = k != NO_KEY;
    }
}

// Faces drawn with each texture slot, from the store's records.
std::vector<int32_t> faces_per_texture() {
    std::vector<int32_t> faces(TEXTURE_SLOTS, 0);
    const PrimitiveStore* store = current_store();
    if (store == nullptr) return faces;
    for (int32_t at = 0; at < store->write_cursor;) {
        const Primitive& p = primitive_at(at);
        if ((p.kind & PRIM_TEXTURED_BIT) && p.texture >= 0 && p.texture < TEXTURE_SLOTS)
            ++faces[static_cast<std::size_t>(p.texture)];
        at += p.size;
    }
    return faces;
}

// The walkers whose plain faces take texture slot k, as "1, 4 and 7".
std::string walkers_wearing(int32_t k) {
    std::vector<std::string> names;
    for (int32_t i = 0; i < WALKER_COUNT; ++i)
        if ((i + 1) % static_cast<int32_t>(START_TEXTURES.size()) == k)
            names.push_back(std::to_string(i));
    std::string text;
    for (std::size_t n = 0; n < names.size(); ++n)
        text += (n == 0 ? "" : n + 1 == names.size() ? " and " : ", ") + names[n];
    return text;
}

// The outfits must hold texture slots 0, 1 and 2, the slots plain faces take;
// when one does not load, the textures after it move up into its slot.
// Told at the outfit's own file, the one to mend.
void check_outfit_slots(CheckReport& report) {
    for (std::size_t k = 0; k < START_TEXTURES.size(); ++k) {
        const TextureSlot* t = texture_slot(static_cast<int32_t>(k));
        if (t != nullptr && std::string_view(t->name) == START_TEXTURES[k]) continue;
        const std::string wearing =
            "the plain faces of walkers " + walkers_wearing(static_cast<int32_t>(k));
        const std::string not_in_slot =
            "this outfit is not in texture slot " + std::to_string(k) + ", which holds ";
        add_problem(report, Severity::error, full_path(START_TEXTURES[k]).string(),
                    t == nullptr ? not_in_slot + "no texture: " + wearing + " are not drawn"
                                 : not_in_slot + t->name + " instead: " + wearing + " wear it");
    }
}

void read_textures(CheckReport& report) {
    check_outfit_slots(report);
    const std::vector<int32_t> faces = faces_per_texture();
    for (int32_t i = 0; i < TEXTURE_SLOTS; ++i) {
        const TextureSlot* t = texture_slot(i);
        if (t == nullptr) continue;
        TextureSummary s;
        s.slot = i;
        s.name = t->name;
        s.file = full_path(s.name).string();
        s.width = 1 << t->width_shift;
        s.height = 1 << t->height_shift;
        s.bits_per_pixel = t->file_depth;
        s.faces = faces[static_cast<std::size_t>(i)];
        // With nothing drawn at all, the model's own problem says it.
        if (s.faces == 0 && report.walkers_drawing > 0)
            add_problem(report, Severity::warning, s.file, "no face is drawn with this texture");
        report.textures.push_back(std::move(s));
    }
}

// A BMP the texture loader refuses or reads wrongly is what a paint program
// writes more often than not: say how to make one it reads.
void suggest_texture_command(CheckReport& report) {
    for (Diagnostic& d : report.problems) {
        const std::filesystem::path file(d.file);
        std::string ext = file.extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (d.severity != Severity::error || ext != ".bmp" || d.unreadable || d.capacity) continue;
        d.message += "; 'walkers-import --texture PICTURE " + file.filename().string() +
                     "' writes one the loader reads";
    }
}

// Walkers that load but have no face to draw show an empty floor.
void check_walkers_draw(CheckReport& report) {
    if (report.walkers_loaded == 0 || report.walkers_drawing > 0) return;
    add_problem(report, Severity::error, report.model.file,
                "the " + std::to_string(report.walkers_loaded) +
                    " walkers loaded have no face to draw; the window shows an empty floor");
}

// Without a model the animation file is never read; when it is missing too,
// it is named all the same, with the other files the folder lacks.
void check_unread_animation(CheckReport& report) {
    if (report.walkers_loaded > 0) return;
    const ListeningScope quiet(nullptr);
    const FileImage image = read_whole_file(ANIMATION_FILE);
    if (!image.ok)
        add_problem(report, Severity::error, report.animation.file,
                    "cannot read this file: " + image.error +
                        " (it is read only for a model that loads)");
}

// Empty when setup can enter the folder and the watcher list it, else why not.
// Entering it here is what setup does first anyway.
std::string why_folder_does_not_open(const std::filesystem::path& folder) {
    std::error_code error;
    const std::filesystem::directory_iterator listing(folder, error);
    if (!error) std::filesystem::current_path(folder, error);
    return error ? error.message() : std::string();
}

void read_loaded_state(CheckReport& report) {
    report.model.file = full_path(MODEL_FILE).string();
    report.animation.file = full_path(ANIMATION_FILE).string();
    const LoadedWalkers counts = count_loaded_walkers();
    report.walkers_loaded = counts.loaded;
    report.walkers_drawing = counts.drawing;
    check_walkers_draw(report);
    check_unread_animation(report);
    read_model(report);
    read_animation(report);
    read_textures(report);
    add_store_budget(report);
    add_table_budget(report);
    check_budget(report);
}

// Problems in file order, each file where it was first met, and within a file
// by position: lines and bytes in order, a problem without a position after
// them. The order met is kept among equals.
void order_problems(std::vector<Diagnostic>& problems) {
    std::vector<std::string> files;
    for (const Diagnostic& d : problems)
        if (std::find(files.begin(), files.end(), d.file) == files.end()) files.push_back(d.file);
    const auto file_rank = [&files](const Diagnostic& d) {
        return std::find(files.begin(), files.end(), d.file) - files.begin();
    };
    const auto place = [](const Diagnostic& d) {
        return d.position.kind == SourcePosition::Kind::none ? INT64_MAX : d.position.value;
    };
    std::stable_sort(problems.begin(), problems.end(),
                     [&](const Diagnostic& a, const Diagnostic& b) {
                         const auto fa = file_rank(a), fb = file_rank(b);
                         return fa != fb ? fa < fb : place(a) < place(b);
                     });
}

} // namespace

int32_t CheckReport::count(Severity severity) const {
    return count_severity(problems, severity);
}

CheckReport setup_and_check(WindowHost* host, const std::filesystem::path& folder) {
    CheckReport report;
    report.folder = full_path(folder).string();
    report.walkers = WALKER_COUNT;
    const std::string unopened = why_folder_does_not_open(report.folder);
    report.folder_opened = unopened.empty();
    DiagnosticLog log;
    random_reset(); // the random draws of a fresh start, on every load
    {
        const ListeningScope listen(&log);
        setup_scene(host, report.folder);
    }
    if (!report.folder_opened) {
        add_problem(report, Severity::error, report.folder, "cannot open this folder: " + unopened);
    } else {
        report.problems = log.diagnostics();
        report.problems_overflowed = log.overflowed();
        suggest_texture_command(report);
        read_loaded_state(report);
        order_problems(report.problems);
    }
    return report;
}

CheckReport check_folder(const std::filesystem::path& folder) {
    std::error_code error;
    const std::filesystem::path start = std::filesystem::current_path(error);
    HeadlessHost host(DEMO_SURFACE_WIDTH, DEMO_SURFACE_HEIGHT);
    CheckReport report = setup_and_check(&host, folder);
    teardown_scene();
    std::filesystem::current_path(start, error);
    return report;
}

std::string counted(int64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string problem_count_text(const CheckReport& report) {
    return counted(report.count(Severity::error), "error", "errors") + ", " +
           counted(report.count(Severity::warning), "warning", "warnings");
}

std::string problem_summary(const CheckReport& report) {
    return printable_text(report.folder) + ": " + problem_count_text(report);
}

std::vector<std::string> problem_lines(const CheckReport& report) {
    std::vector<std::string> lines;
    lines.reserve(report.problems.size() + 1);
    for (const Diagnostic& d : report.problems)
        lines.push_back(format_diagnostic(d));
    if (report.problems_overflowed)
        lines.push_back("(more than " + std::to_string(DIAGNOSTICS_KEPT) +
                        " problems; the rest are not listed)");
    return lines;
}

} // namespace walkers::check
