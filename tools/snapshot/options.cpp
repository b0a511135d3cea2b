// options.cpp - strict parsing of the snapshot tool's arguments.
#include "options.h"

#include <algorithm>
#include <charconv>

#include "geometry/fixed.h"

namespace walkers {

namespace {

// The whole text must be a decimal number without sign or spaces.
std::optional<int64_t> parse_count(const std::string& text) {
    if (text.empty() || text.front() == '+') return std::nullopt;
    int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc{} || ptr != end) return std::nullopt;
    return value;
}

std::optional<std::string> parse_size(const std::string& text, SnapshotOptions& o) {
    const auto cross = text.find('x');
    if (cross == std::string::npos) return "malformed --size '" + text + "' (expected WxH)";
    const auto w = parse_count(text.substr(0, cross));
    const auto h = parse_count(text.substr(cross + 1));
    if (!w || !h) return "malformed --size '" + text + "' (expected WxH)";
    if (*w < 1 || *h < 1) return "--size '" + text + "' must be at least 1x1";
    if (*w > MAX_SURFACE_WIDTH || *h > MAX_SURFACE_HEIGHT) {
        return "--size '" + text + "' exceeds " + std::to_string(MAX_SURFACE_WIDTH) + "x" +
               std::to_string(MAX_SURFACE_HEIGHT);
    }
    o.width = static_cast<int32_t>(*w);
    o.height = static_cast<int32_t>(*h);
    return std::nullopt;
}

// Applies one option with its value; the message when it is refused.
std::optional<std::string> apply(const std::string& name, const std::string& value,
                                 SnapshotOptions& o) {
    if (name == "--data") {
        if (value.empty()) return std::string("--data needs a folder");
        o.data_dir = value;
    } else if (name == "--size") {
        return parse_size(value, o);
    } else if (name == "--frames") {
        const auto n = parse_count(value);
        if (!n || *n < 1) return "--frames '" + value + "' is not a number of frames >= 1";
        o.frames = *n;
    } else if (name == "--click") {
        const auto f = parse_count(value);
        if (!f || *f < 1) return "--click '" + value + "' is not a frame number >= 1";
        o.clicks.push_back(*f);
    } else if (name == "--bmp") {
        if (value.empty()) return std::string("--bmp needs a file name");
        o.bmp_path = value;
    } else if (name == "--state") {
        if (value.empty()) return std::string("--state needs a file name or -");
        o.state_path = value;
    }
    return std::nullopt;
}

bool takes_value(const std::string& name) {
    return name == "--data" || name == "--size" || name == "--frames" || name == "--click" ||
           name == "--bmp" || name == "--state";
}

} // namespace

ParsedOptions parse_options(std::span<const std::string> args) {
    ParsedOptions result;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        if (name == "--help" || name == "-h") {
            result.options.help = true;
            continue;
        }
        if (name == "--version" || name == "-v") {
            result.options.version = true;
            continue;
        }
        if (!takes_value(name)) {
            result.error = "unknown option '" + name + "'";
            return result;
        }
        if (i + 1 >= args.size()) {
            result.error = "missing value for " + name;
            return result;
        }
        if (auto problem = apply(name, args[++i], result.options)) {
            result.error = *problem;
            return result;
        }
    }
    const SnapshotOptions& o = result.options;
    if (!o.help && !o.version && o.bmp_path.empty() && o.state_path.empty()) {
        result.error = "nothing to write: give --bmp FILE, --state FILE or both";
        return result;
    }
    std::sort(result.options.clicks.begin(), result.options.clicks.end());
    result.ok = true;
    return result;
}

const std::string& snapshot_usage() {
    static const std::string usage =
        "usage: walkers-snapshot [--data DIR] [--size WxH] [--frames N] [--click F]...\n"
        "                        [--bmp FILE] [--state FILE]\n"
        "       walkers-snapshot --help | --version\n"
        "  --data DIR    asset folder, made the working directory (default: the demo's)\n"
        "  --size WxH    surface size, 1x1 to " +
        std::to_string(MAX_SURFACE_WIDTH) + "x" + std::to_string(MAX_SURFACE_HEIGHT) +
        " (default " + std::to_string(DEMO_SURFACE_WIDTH) + "x" +
        std::to_string(DEMO_SURFACE_HEIGHT) +
        ", the window's)\n"
        "  --frames N    frames to run, 1 or more (default 1)\n"
        "  --click F     left click just before frame F, 1 to N; repeatable\n"
        "  --bmp FILE    write the last frame as a 16-bit BMP\n"
        "  --state FILE  one JSON line per frame ('-' for standard output)\n"
        "  --help        show this help and exit\n"
        "  --version     show the version and exit\n"
        "At least one of --bmp and --state. Exit status: 0 done; 1 when the folder gives\n"
        "no walker to draw or a file cannot be written (nothing is then written); 2 for\n"
        "a bad command line.\n";
    return usage;
}

} // namespace walkers
