// file.h - whole-file reads.
//
// read_whole_file returns the file's bytes followed by four NUL bytes (so text
// readers always meet a terminator); `size` is the file's length without them.
// A file that cannot be opened or read gives ok == false, an empty buffer, and
// one line on standard error naming the file.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace walkers {

struct FileImage {
    std::vector<unsigned char> bytes; // size + 4 bytes, the last four zero
    std::size_t size = 0;
    bool ok = false;
};

FileImage read_whole_file(const std::string& path);

// Where loader diagnostics go (standard error unless a test redirects them).
void report_unreadable(const std::string& path);

} // namespace walkers
