#include "data_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace walkers::writers {

std::string write_file(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return std::strerror(errno);
    const bool written =
        bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    const int write_error = errno;
    if (std::fclose(f) != 0 || !written) return std::strerror(written ? errno : write_error);
    return {};
}

} // namespace walkers::writers
