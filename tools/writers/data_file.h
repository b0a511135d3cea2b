// data_file.h - a file of a data folder, made in memory, and how bytes reach a disk.
//
// A tool builds every file of its folder first (DataFile: its name in the
// folder and its bytes) and writes only when all are made. write_file puts
// bytes in a file, replacing what it held, and gives back why it could not in
// the system's words (strerror of the failing call: the open, the write or
// the close, which is where a full disk shows), or "" when the bytes are
// there; each tool words its own message around it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace walkers::writers {

struct DataFile {
    std::string name;
    std::vector<uint8_t> bytes;
};

// A text file of the folder: the text's characters are its bytes.
inline DataFile text_file(std::string name, const std::string& text) {
    return {std::move(name), {text.begin(), text.end()}};
}

std::string write_file(const std::filesystem::path& path, std::span<const uint8_t> bytes);

} // namespace walkers::writers
