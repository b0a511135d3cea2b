// report_format.cpp - walkers-check's text and JSON output.
#include "report_format.h"

#include <cstdio>
#include <string_view>

#include "assets/printable_text.h"

namespace walkers::check {

namespace {

// --- text ---------------------------------------------------------------------

std::string padded(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string right(int64_t n, std::size_t width) {
    const std::string text = std::to_string(n);
    return text.size() >= width ? text : std::string(width - text.size(), ' ') + text;
}

std::string model_line(const CheckReport& r) {
    const ModelSummary& m = r.model;
    std::string line = "model      " + printable_text(m.file) + ": ";
    if (!m.loaded) return line + "not loaded\n";
    return line + counted(m.parts, "part", "parts") + " of the " + std::to_string(m.part_room) +
           " its head gives, " + counted(m.vertices, "vertex", "vertices") + ", hierarchy " +
           counted(m.depth, "level", "levels") + " deep; " + std::to_string(r.walkers_loaded) +
           " of " + std::to_string(r.walkers) + " walkers loaded" +
           (r.walkers_drawing < r.walkers_loaded
                ? ", " + std::to_string(r.walkers_drawing) + " of them with faces to draw"
                : "") +
           "\n";
}

std::string animation_line(const AnimationSummary& a) {
    std::string line = "animation  " + printable_text(a.file) + ": ";
    if (!a.loaded) return line + "not loaded\n";
    line += counted(a.keys, "key", "keys") + ", " + counted(a.poses, "pose", "poses") + " of " +
            counted(a.parts, "part", "parts") + "; ";
    if (!a.plays) return line + "does not play\n";
    return line + "plays " + counted(a.keys_played, "key", "keys") +
           (a.loops ? " in a loop\n" : ", then repeats its last\n");
}

std::string texture_lines(const std::vector<TextureSummary>& textures) {
    std::string out = "textures\n";
    for (const TextureSummary& t : textures) {
        const std::string size = std::to_string(t.width) + " x " + std::to_string(t.height);
        const std::string depth =
            t.bits_per_pixel > 0 ? std::to_string(t.bits_per_pixel) + "-bit" : "texels";
        out += "  slot " + right(t.slot, 3) + "  " + padded(printable_text(t.name), 28) +
               padded(size, 11) + padded(depth, 8) + counted(t.faces, "face", "faces") + "\n";
    }
    return out;
}

// --- JSON ---------------------------------------------------------------------

// A JSON string of the text as every output shows it (printable_text: no
// control characters or malformed UTF-8 are left), quotes and backslashes escaped.
std::string quoted(std::string_view s) {
    std::string out = "\"";
    for (const char c : printable_text(s)) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string boolean(bool b) {
    return b ? "true" : "false";
}

// Key-value pairs of one JSON object, in the order added.
class JsonObject {
public:
    JsonObject& raw(const char* key, const std::string& value) {
        text_ += text_.empty() ? '{' : ',';
        text_ += quoted(key);
        text_ += ':';
        text_ += value;
        return *this;
    }
    JsonObject& str(const char* key, std::string_view value) { return raw(key, quoted(value)); }
    JsonObject& num(const char* key, int64_t value) { return raw(key, std::to_string(value)); }
    JsonObject& flag(const char* key, bool value) { return raw(key, boolean(value)); }
    std::string done() const { return text_.empty() ? "{}" : text_ + "}"; }

private:
    std::string text_;
};

template <typename Item, typename Format>
std::string json_array(const std::vector<Item>& items, Format format) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out += ',';
        out += format(items[i]);
    }
    return out + "]";
}

std::string json_problem(const Diagnostic& d) {
    JsonObject o;
    o.str("file", d.file);
    if (d.position.kind == SourcePosition::Kind::line) o.num("line", d.position.value);
    if (d.position.kind == SourcePosition::Kind::byte) o.num("byte", d.position.value);
    return o.str("severity", d.severity == Severity::error ? "error" : "warning")
        .str("message", d.message)
        .done();
}

std::string json_model(const ModelSummary& m) {
    return JsonObject()
        .str("file", m.file)
        .flag("loaded", m.loaded)
        .num("parts", m.parts)
        .num("part_room", m.part_room)
        .num("vertices", m.vertices)
        .num("depth", m.depth)
        .done();
}

std::string json_animation(const AnimationSummary& a) {
    return JsonObject()
        .str("file", a.file)
        .flag("loaded", a.loaded)
        .flag("plays", a.plays)
        .num("keys", a.keys)
        .num("poses", a.poses)
        .num("parts", a.parts)
        .num("keys_played", a.keys_played)
        .flag("loops", a.loops)
        .done();
}

std::string json_texture(const TextureSummary& t) {
    return JsonObject()
        .num("slot", t.slot)
        .str("name", t.name)
        .str("file", t.file)
        .num("width", t.width)
        .num("height", t.height)
        .num("bits_per_pixel", t.bits_per_pixel)
        .num("faces", t.faces)
        .done();
}

std::string json_budget(const BudgetLine& b, int32_t walkers) {
    return JsonObject()
        .str("what", b.what)
        .raw("per_walker", b.per_walker >= 0 ? std::to_string(b.per_walker) : "null")
        .num("used", b.used)
        .num("needed", b.needed(walkers))
        .num("capacity", b.capacity)
        .done();
}

} // namespace

std::string budget_table(const CheckReport& r) {
    std::string out = "budget for " + std::to_string(r.walkers) + " walkers\n";
    for (const BudgetLine& b : r.budget) {
        const int64_t used = b.needed(r.walkers);
        const std::string each =
            b.per_walker >= 0 ? right(b.per_walker, 6) + " each" : std::string(11, ' ');
        out += "  " + padded(b.what, 24) + each + right(used, 8) + " of " +
               padded(std::to_string(b.capacity), 7) + right(b.percent(r.walkers), 4) + " %\n";
    }
    return out;
}

std::string text_report(const CheckReport& r) {
    std::string out;
    for (const std::string& line : problem_lines(r))
        out += line + "\n";
    if (r.folder_opened) {
        if (!out.empty()) out += "\n";
        out += model_line(r) + animation_line(r.animation) + texture_lines(r.textures) +
               budget_table(r);
    }
    return out + problem_summary(r) + "\n";
}

std::string json_report(const CheckReport& r) {
    return JsonObject()
               .str("folder", r.folder)
               .num("errors", r.count(Severity::error))
               .num("warnings", r.count(Severity::warning))
               .flag("complete", !r.problems_overflowed)
               .raw("problems", json_array(r.problems, json_problem))
               .num("walkers", r.walkers)
               .num("walkers_loaded", r.walkers_loaded)
               .num("walkers_drawing", r.walkers_drawing)
               .raw("model", json_model(r.model))
               .raw("animation", json_animation(r.animation))
               .raw("textures", json_array(r.textures, json_texture))
               .raw("budget",
                    json_array(r.budget,
                               [&r](const BudgetLine& b) { return json_budget(b, r.walkers); }))
               .done() +
           "\n";
}

} // namespace walkers::check
