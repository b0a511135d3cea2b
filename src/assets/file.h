// file.h - whole-file reads, and the files that could not be read.
//
// read_whole_file returns the file's bytes followed by four NUL bytes (so text
// readers always meet a terminator); `size` is the file's length without them.
// A file that cannot be opened or read (missing, a directory, a read error) gives
// ok == false, size 0 and just the four NUL bytes, after one line on standard
// error naming the file by its full path. That line is the only output the
// asset readers make. Files longer than FILE_SIZE_LIMIT count as unreadable: a
// name such as a device that never ends must not take all memory.
//
// Each unreadable file is also noted, by its full path, in a short list that
// scene setup clears before it loads, so a front end can name the files to the
// user afterwards. The list keeps each path once, in the order first met, and at
// most UNREADABLE_FILES_KEPT of them (a reader fed endless bad names stays small).
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace walkers {

constexpr std::size_t FILE_SIZE_LIMIT = std::size_t{16} << 20;
constexpr std::size_t UNREADABLE_FILES_KEPT = 32;

struct FileImage {
    std::vector<unsigned char> bytes; // size + 4 bytes, the last four zero
    std::size_t size = 0;
    bool ok = false;
};

FileImage read_whole_file(const std::string& path);

// One line on standard error naming a file that could not be read, and a note
// of it in unreadable_files(). The line goes through std::cerr, so a test can
// capture or silence it.
void report_unreadable(const std::string& path);

const std::vector<std::string>& unreadable_files();
void clear_unreadable_files();

// `path` made absolute against the current directory and normalised; `path`
// itself when that fails.
std::filesystem::path full_path(const std::filesystem::path& path);

} // namespace walkers
