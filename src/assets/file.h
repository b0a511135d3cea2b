// file.h - whole-file reads.
//
// read_whole_file returns the file's bytes followed by four NUL bytes (so text
// readers always meet a terminator); `size` is the file's length without them.
// A file that cannot be opened or read (missing, a directory, a read error) gives
// ok == false, size 0 and just the four NUL bytes, after one line on standard
// error naming the file. That line is the only output the asset readers make.
// Files longer than FILE_SIZE_LIMIT count as unreadable: a name such as a device
// that never ends must not take all memory.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace walkers {

constexpr std::size_t FILE_SIZE_LIMIT = std::size_t{16} << 20;

struct FileImage {
    std::vector<unsigned char> bytes; // size + 4 bytes, the last four zero
    std::size_t size = 0;
    bool ok = false;
};

FileImage read_whole_file(const std::string& path);

// One line on standard error naming a file that could not be read. It goes
// through std::cerr, so a test can capture or silence it.
void report_unreadable(const std::string& path);

} // namespace walkers
