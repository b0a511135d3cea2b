// file.cpp - whole-file reads for the asset loaders.
#include "assets/file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <system_error>

#include "assets/diagnostics.h"

namespace walkers {

namespace {

constexpr std::size_t TERMINATOR_BYTES = 4;
constexpr std::size_t READ_CHUNK = 64 * 1024;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

FileImage unreadable(const std::string& path, std::string_view why) {
    FileDiagnostics(path).unreadable(why);
    FileImage image;
    image.bytes.assign(TERMINATOR_BYTES, 0);
    image.error = why;
    return image;
}

} // namespace

// The file is read to its end in chunks rather than sized with seek and tell:
// a directory opens fine on some systems and reports a nonsense length, and a
// read error must not pass for a short file.
FileImage read_whole_file(const std::string& path) {
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return unreadable(path, std::strerror(errno));
    FileImage image;
    std::size_t used = 0;
    for (;;) {
        image.bytes.resize(used + READ_CHUNK);
        errno = 0;
        const std::size_t got = std::fread(image.bytes.data() + used, 1, READ_CHUNK, file.get());
        used += got;
        if (used > FILE_SIZE_LIMIT)
            return unreadable(path, "it is longer than " + std::to_string(FILE_SIZE_LIMIT >> 20) +
                                        " MiB");
        if (got < READ_CHUNK) break;
    }
    if (std::ferror(file.get())) return unreadable(path, std::strerror(errno));
    image.bytes.resize(used + TERMINATOR_BYTES);
    for (std::size_t k = 0; k < TERMINATOR_BYTES; ++k)
        image.bytes[used + k] = 0;
    image.size = used;
    image.ok = true;
    return image;
}

std::filesystem::path full_path(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::path abs = std::filesystem::absolute(path, ec);
    return ec ? path : abs.lexically_normal();
}

} // namespace walkers
