// tool_run.h - a built program run from a test, as a user's shell would run it.
//
// run_command runs a shell command line and gives back its exit status (-1 when
// it did not exit normally) and what it wrote to standard output; the line
// chooses where standard error goes (2>&1 to take it along, 2>FILE to keep it
// apart). read_text gives back a file's bytes, such as what a program wrote
// there ("" for a file that cannot be read).
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace walkers::testing {

struct ToolRun {
    int status = -1;
    std::string out;
};

inline ToolRun run_command(const std::string& command) {
    ToolRun run;
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        run.out.append(buffer, got);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

inline std::string read_text(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace walkers::testing
