// fuzz_folder - walkers-check's whole path on an arbitrary asset folder.
//
// An input is the folder's files back to back, split at each "\n%%\n": mdt.txt,
// an.txt, panel.msh, ome16.bmp, buki16.bmp, ho16.bmp in that order; a file the
// input does not reach is absent. Each input is written into a fresh folder
// under one temporary directory and checked as the tool checks it: nine
// walkers loaded as setup loads them, the loaded state read back, and both the
// text and the JSON report made. Every problem must name a file of the folder
// (or the folder itself). Inputs naming devices or /proc are skipped: a read
// there would stall the run without finding anything.
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "frontend/check.h"
#include "fuzz_inputs.h"
#include "report_format.h"

using namespace walkers;

namespace {

constexpr std::string_view SEPARATOR = "\n%%\n";
constexpr std::array<const char*, 6> FILES{"mdt.txt",   "an.txt",     "panel.msh",
                                           "ome16.bmp", "buki16.bmp", "ho16.bmp"};

std::string& work_dir() {
    static std::string dir;
    return dir;
}

void remove_work_dir() {
    std::error_code ignored;
    std::filesystem::remove_all(work_dir(), ignored);
}

// Writes the input's pieces as the folder's files; the folder is emptied first.
void write_folder(const std::filesystem::path& folder, std::string_view input) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    for (const char* name : FILES) {
        if (input.data() == nullptr) break;
        const std::size_t end = input.find(SEPARATOR);
        const std::string_view piece = input.substr(0, end);
        std::FILE* file = std::fopen((folder / name).c_str(), "wb");
        if (file == nullptr) std::abort();
        if (!piece.empty() && std::fwrite(piece.data(), 1, piece.size(), file) != piece.size())
            std::abort();
        std::fclose(file);
        input = end == std::string_view::npos ? std::string_view()
                                              : input.substr(end + SEPARATOR.size());
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    char dir[] = "/tmp/wkfXXXXXX";
    if (mkdtemp(dir) == nullptr) std::abort();
    work_dir() = dir;
    std::atexit(remove_work_dir);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (fuzzing::names_special_files(input)) return 0;
    const std::filesystem::path folder = std::filesystem::path(work_dir()) / "data";
    write_folder(folder, input);

    const check::CheckReport report = check::check_folder(folder);
    const std::string text = check::text_report(report);
    const std::string json = check::json_report(report);
    if (text.empty() || json.empty() || json.front() != '{') std::abort();
    for (const Diagnostic& d : report.problems)
        if (d.message.empty() ||
            std::string_view(d.file).substr(0, report.folder.size()) != report.folder)
            std::abort();
    if (report.count(Severity::error) + report.count(Severity::warning) !=
        static_cast<int32_t>(report.problems.size()))
        std::abort();
    return 0;
}
