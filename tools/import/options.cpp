#include "options.h"

#include <charconv>
#include <optional>
#include <vector>

#include "geometry/matrix.h"

namespace walkers::import {
namespace {

constexpr double MOST_HEIGHT = 10000;

// The whole text as a number from low to high, or nothing.
std::optional<double> number_in(const std::string& text, double low, double high) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc{} || ptr != end || !(value >= low) || !(value <= high))
        return std::nullopt;
    return value;
}

std::string range_error(const std::string& name, const std::string& value,
                        const std::string& what) {
    return name + " '" + value + "' is not " + what;
}

// Applies an option that takes a value; the message when the value is refused.
std::string apply(const std::string& name, const std::string& value, ImportOptions& o) {
    if (name == "--height") {
        const auto v = number_in(value, 1, MOST_HEIGHT);
        if (!v) return range_error(name, value, "a height from 1 to 10000 units");
        o.height = *v;
    } else if (name == "--fps") {
        const auto v = number_in(value, 1, DEMO_FRAMES_PER_SECOND);
        if (!v || *v != static_cast<int32_t>(*v))
            return range_error(name, value, "a whole number of poses a second from 1 to 60");
        o.fps = *v;
    } else if (name == "--parts") {
        // A chain of parts takes a level of the matrix stack each.
        const auto v = number_in(value, 1, MATRIX_STACK_DEPTH);
        if (!v || *v != static_cast<int32_t>(*v))
            return range_error(name, value,
                               "a whole number of parts from 1 to " +
                                   std::to_string(MATRIX_STACK_DEPTH));
        o.max_parts = static_cast<int32_t>(*v);
    } else if (name == "--forward") {
        Forward f{};
        if (!parse_forward(value, f)) return range_error(name, value, "one of +z, -z, +x, -x");
        o.forward = f;
    } else if (name == "--animation") {
        if (value.empty()) return "--animation needs the name of a clip";
        o.animation = value;
    }
    return {};
}

bool takes_value(const std::string& name) {
    return name == "--height" || name == "--forward" || name == "--fps" || name == "--animation" ||
           name == "--parts";
}

// The positional arguments each command wants.
std::string check_arguments(CommandLine& c, const std::vector<std::string>& rest) {
    const std::size_t wanted = c.command == Command::list ? 1 : 2;
    if (rest.size() < wanted)
        return c.command == Command::texture ? "--texture needs a picture and a BMP to write"
               : c.command == Command::list  ? "--list needs a model"
                                             : "a model and a folder to write are needed";
    if (rest.size() > wanted) return "one argument too many: '" + rest[wanted] + "'";
    c.model = rest[0];
    if (wanted == 2) c.output = rest[1];
    return {};
}

} // namespace

CommandLine parse_options(std::span<const std::string> args) {
    CommandLine c;
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            c.command = Command::help;
            return c;
        }
        if (arg == "--version" || arg == "-v") {
            c.command = Command::version;
            return c;
        }
        if (arg == "--list" || arg == "--texture") {
            c.command = arg == "--list" ? Command::list : Command::texture;
        } else if (takes_value(arg)) {
            if (i + 1 >= args.size()) {
                c.error = "missing value for " + arg;
                return c;
            }
            if (std::string problem = apply(arg, args[++i], c.options); !problem.empty()) {
                c.error = problem;
                return c;
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            c.error = "unknown option '" + arg + "'";
            return c;
        } else {
            rest.push_back(arg);
        }
    }
    c.error = check_arguments(c, rest);
    return c;
}

const std::string& import_usage() {
    static const std::string usage =
        "usage: walkers-import [OPTIONS] MODEL OUTDIR\n"
        "       walkers-import --list [OPTIONS] MODEL\n"
        "       walkers-import --texture PICTURE OUT.bmp\n"
        "       walkers-import --help | --version\n"
        "Turns a model (glTF, FBX, Collada, OBJ, MD2, MD5, BVH, X, 3DS, PLY, STL, ...) into a\n"
        "walkers data folder: nine of it walk about in 'walkers --data OUTDIR'.\n"
        "  --height N        its height in model units, 1 to 10000 (default 264, the\n"
        "                    generated walker's)\n"
        "  --forward AXIS    the model's forward axis, +z -z +x -x (default +x for MD2 and\n"
        "                    MD3, +z for the rest)\n"
        "  --fps N           poses a second sampled from the clip, 1 to 60 (default 15)\n"
        "  --animation NAME  the clip to play (default: the first)\n"
        "  --parts N         parts at most, 1 to 32 (default 16)\n"
        "  --list            show the model's nodes, meshes, bones, clips and materials\n"
        "                    and what the import would make; write nothing\n"
        "  --texture         convert PICTURE (PNG, JPEG, TGA, BMP, ...) into a 16-bit BMP\n"
        "                    with power-of-two sides of at most 256 that walkers reads\n"
        "  --help            show this help and exit\n"
        "  --version         show the version and exit\n"
        "Exit status: 0 done, 1 the model cannot be imported (the reason is printed),\n"
        "2 bad usage.\n";
    return usage;
}

} // namespace walkers::import
