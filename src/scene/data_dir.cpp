// data_dir.cpp - the asset folder lookup shared by the demo and the tools.
#include "scene/data_dir.h"

#include <system_error>

namespace walkers {

namespace {

bool is_folder(const std::filesystem::path& p) {
    std::error_code ec;
    return std::filesystem::is_directory(p, ec);
}

std::filesystem::path absolute_or_same(const std::filesystem::path& p) {
    std::error_code ec;
    std::filesystem::path abs = std::filesystem::absolute(p, ec);
    return ec ? p : abs.lexically_normal();
}

} // namespace

std::filesystem::path locate_data_dir(const std::filesystem::path& executable_path) {
    const std::filesystem::path here{DATA_DIR_NAME};
    if (is_folder(here)) return absolute_or_same(here);
    if (!executable_path.empty()) {
        const std::filesystem::path beside = executable_path.parent_path() / DATA_DIR_NAME;
        if (is_folder(beside)) return absolute_or_same(beside);
    }
    return here;
}

std::filesystem::path running_executable_path(const char* argv0) {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && !self.empty()) return self;
    if (argv0 == nullptr || *argv0 == '\0') return {};
    return absolute_or_same(argv0);
}

} // namespace walkers
