// walkers-icons: the desktop icon of walkers at several sizes, rendered from
// the demo's own frames (see portrait.h). Run by the build.
//
//   walkers-icons DATA_DIR OUTPUT_DIR SIZE...
//
// Writes OUTPUT_DIR/<SIZE>x<SIZE>.png for every SIZE (1 to MAX_ICON_SIZE),
// square, 8-bit RGBA, transparent around the walker. The largest size is cut
// from the frame pixel for pixel when the walker fits in it; the smaller ones
// are averaged down from it. Exit status 0, or 1 with a message on standard
// error.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "png.h"
#include "portrait.h"

namespace {

using namespace walkers::icons;

constexpr int32_t MAX_ICON_SIZE = 1024;

int fail(const std::string& message) {
    std::fprintf(stderr, "walkers-icons: %s\n", message.c_str());
    return 1;
}

bool parse_size(const std::string& text, int32_t& size) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, size);
    return ec == std::errc{} && ptr == end && size >= 1 && size <= MAX_ICON_SIZE;
}

bool write_file(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return !bytes.empty() && static_cast<bool>(out);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) return fail("usage: walkers-icons DATA_DIR OUTPUT_DIR SIZE...");
    std::vector<int32_t> sizes;
    for (int i = 3; i < argc; ++i) {
        int32_t size = 0;
        if (!parse_size(argv[i], size))
            return fail(std::string("size '") + argv[i] + "' is not a whole number from 1 to " +
                        std::to_string(MAX_ICON_SIZE));
        sizes.push_back(size);
    }
    // The scene makes the data folder the working directory: settle the output first.
    std::error_code ec;
    const std::filesystem::path output = std::filesystem::absolute(argv[2], ec);
    if (!ec) std::filesystem::create_directories(output, ec);
    if (ec) return fail(std::string("cannot make the folder '") + argv[2] + "'");

    int32_t largest = 0;
    for (int32_t size : sizes)
        largest = std::max(largest, size);
    const Portrait portrait = render_portrait(std::filesystem::absolute(argv[1]).string(), largest);
    if (!portrait.error.empty()) return fail(portrait.error);
    for (int32_t size : sizes) {
        const std::string name = std::to_string(size) + "x" + std::to_string(size) + ".png";
        if (!write_file(output / name, encode_png(scale_down(portrait.image, size))))
            return fail("cannot write '" + (output / name).string() + "'");
    }
    return 0;
}
