// file.h - whole-file reads for the asset loaders.
//
// read_whole_file returns the file's bytes followed by four NUL bytes (so text
// readers always meet a terminator); `size` is the file's length without them.
// A file that cannot be opened or read (missing, a directory, a read error) gives
// ok == false, size 0, just the four NUL bytes and the reason in `error`, and is
// reported to the diagnostics listener as unreadable (assets/diagnostics.h).
// Files longer than FILE_SIZE_LIMIT count as unreadable: a name such as a device
// that never ends must not take all memory.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace walkers {

constexpr std::size_t FILE_SIZE_LIMIT = std::size_t{16} << 20;

struct FileImage {
    std::vector<unsigned char> bytes; // size + 4 bytes, the last four zero
    std::size_t size = 0;
    bool ok = false;
    std::string error; // why the file could not be read, when it could not
};

FileImage read_whole_file(const std::string& path);

// `path` made absolute against the current directory and normalised; `path`
// itself when that fails.
std::filesystem::path full_path(const std::filesystem::path& path);

} // namespace walkers
