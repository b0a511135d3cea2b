// The programs' bad usage and failures, one table for all five: each row runs a
// built program and pins its exit status and the line that says what went
// wrong (2 and one line ending "see --help" for a bad command line; 1 and one
// line with the reason when the work cannot be done, leaving nothing behind).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fresh_state.h"
#include "tool_run.h"

namespace walkers {
namespace {

namespace fs = std::filesystem;
using testing::read_text;

#ifdef WALKERS_EXE
constexpr const char* WALKERS = WALKERS_EXE;
#else
constexpr const char* WALKERS = nullptr; // the desktop program is not built
#endif

struct ToolCase {
    const char* what;
    const char* program;
    std::string args; // {out}: a scratch folder; {data}: the generated folder;
                      // {empty}: an empty folder; {noend}: {data} without the
                      // END after SEC_M_HEAD:'s record
    int status;
    const char* phrase;            // on a line of standard error
    const char* env = "";          // set or unset for the run, as env(1) takes it
    const char* not_written = "";  // a file in {out} the run must not leave
    bool phrase_on_stdout = false; // --help and the like answer on standard output
};

const std::vector<ToolCase>& tool_cases() {
    static const std::vector<ToolCase> cases = {
        {"unknown option, as typed", WALKERS, "--bogus", 2,
         "walkers: unknown option '--bogus'; see --help"},
        {"unknown short option", WALKERS, "-bogus", 2,
         "walkers: unknown option '-bogus'; see --help"},
        {"scale out of range", WALKERS, "--scale 9", 2,
         "walkers: --scale '9' is not a whole number from 1 to 8; see --help"},
        {"no frames", WALKERS, "--frames 0", 2,
         "walkers: --frames '0' is not a number of frames >= 1; see --help"},
        {"help gives ranges", WALKERS, "--help", 0, "(1 to 8;", "", "", true},
        {"help points to keys", WALKERS, "--help", 0, "Escape or Ctrl+Q quits", "", "", true},
        {"a Wayland display Qt cannot open, no X display", WALKERS, "", 1,
         "walkers: no display to open the window on (Qt could open none",
         "-u DISPLAY -u QT_QPA_PLATFORM WAYLAND_DISPLAY=walkers-test-no-such-display"},
        {"scale larger than the screen (offscreen: one 800 x 600 screen)", WALKERS,
         "--data {data} --frames 1 --scale 8", 0,
         "walkers: --scale 8 does not fit the screen; the picture opens at 1x",
         "QT_QPA_PLATFORM=offscreen LSAN_OPTIONS=suppressions=" WALKERS_LSAN_SUPPRESSIONS},
        {"unknown option", WALKERS_SNAPSHOT_EXE, "--bogus --bmp {out}/x.bmp", 2,
         "walkers-snapshot: unknown option '--bogus'; see --help"},
        {"nothing asked for", WALKERS_SNAPSHOT_EXE, "--data {data}", 2,
         "walkers-snapshot: nothing to write: give --bmp FILE, --state FILE or both; see --help"},
        {"no frames, as walkers", WALKERS_SNAPSHOT_EXE, "--frames 0 --state -", 2,
         "walkers-snapshot: --frames '0' is not a number of frames >= 1; see --help"},
        {"no folder", WALKERS_SNAPSHOT_EXE, "--data /nonexistent-walkers --bmp {out}/x.bmp", 1,
         "the asset folder '/nonexistent-walkers' does not exist; nothing written", "", "x.bmp"},
        {"no walker loads", WALKERS_SNAPSHOT_EXE, "--data {empty} --state {out}/x.jsonl", 1,
         "no walker loads from '", "", "x.jsonl"},
        {"walkers draw nothing", WALKERS_SNAPSHOT_EXE, "--data {noend} --bmp {out}/x.bmp", 1,
         "have no faces to draw", "", "x.bmp"},
        {"click after the last frame", WALKERS_SNAPSHOT_EXE,
         "--data {data} --frames 3 --click 2 --click 5 --state {out}/x.jsonl", 0,
         "walkers-snapshot: warning: --click 5 comes after the last frame (3) and is ignored"},
        {"output cannot be opened; the one begun is removed", WALKERS_SNAPSHOT_EXE,
         "--data {data} --state {out}/x.jsonl --bmp {out}/no-such-folder/x.bmp", 1,
         "/no-such-folder/x.bmp': No such file or directory", "", "x.jsonl"},
        {"output cannot be written", WALKERS_SNAPSHOT_EXE,
         "--data {data} --state /dev/full --bmp {out}/x.bmp", 1,
         "walkers-snapshot: cannot write '/dev/full': No space left on device", "", "x.bmp"},
        {"unknown option", WALKERS_CHECK_EXE, "--bogus", 2,
         "walkers-check: unknown option '--bogus'; see --help"},
        {"two folders", WALKERS_CHECK_EXE, "{data} {empty}", 2, "more than one folder given"},
        {"unknown option", WALKERS_ASSETGEN_EXE, "--bogus {out}/gen", 2,
         "walkers-assetgen: unknown option '--bogus'; see --help", "", "gen"},
        {"no folder", WALKERS_ASSETGEN_EXE, "", 2,
         "walkers-assetgen: no output folder given; see --help"},
        {"bad walker count", WALKERS_ASSETGEN_EXE, "--walkers 3x {out}/gen", 2,
         "walkers-assetgen: --walkers '3x' is not a number of walkers >= 1; see --help", "", "gen"},
        {"folder cannot be made", WALKERS_ASSETGEN_EXE, "/dev/null/gen", 1,
         "walkers-assetgen: cannot make the folder '/dev/null/gen': Not a directory"},
        {"unknown option", WALKERS_IMPORT_EXE, "--bogus m.obj {out}/w", 2,
         "walkers-import: unknown option '--bogus'; see --help", "", "w"},
        {"nothing to import", WALKERS_IMPORT_EXE, "", 2,
         "walkers-import: a model and a folder to write are needed; see --help"},
        {"height out of range", WALKERS_IMPORT_EXE, "--height 0 m.obj {out}/w", 2,
         "walkers-import: --height '0' is not a height from 1 to 10000 units; see --help"},
        {"fps out of range", WALKERS_IMPORT_EXE, "--fps 61 m.obj {out}/w", 2,
         "--fps '61' is not a whole number of poses a second from 1 to 60; see --help"},
        {"parts beyond the matrix stack", WALKERS_IMPORT_EXE, "--parts 33 m.obj {out}/w", 2,
         "--parts '33' is not a whole number of parts from 1 to 32; see --help"},
        {"no such axis", WALKERS_IMPORT_EXE, "--forward y m.obj {out}/w", 2,
         "--forward 'y' is not one of +z, -z, +x, -x; see --help"},
        {"no clip named", WALKERS_IMPORT_EXE, "m.obj {out}/w --animation", 2,
         "walkers-import: missing value for --animation; see --help"},
        {"list without a model", WALKERS_IMPORT_EXE, "--list", 2,
         "--list needs a model; see --help"},
        {"texture without its output", WALKERS_IMPORT_EXE, "--texture {data}/ome16.bmp", 2,
         "--texture needs a picture and a BMP to write; see --help"},
        {"one argument too many", WALKERS_IMPORT_EXE, "m.obj {out}/w extra", 2,
         "one argument too many: 'extra'; see --help"},
        {"no such model", WALKERS_IMPORT_EXE, "{out}/absent.obj {out}/w", 1,
         "absent.obj: no such file", "", "w"},
        {"not a model", WALKERS_IMPORT_EXE, "{data}/mdt.txt {out}/w", 1,
         "mdt.txt: cannot be read: No suitable reader found", "", "w"},
        {"not a picture", WALKERS_IMPORT_EXE, "--texture {data}/mdt.txt {out}/t.bmp", 1,
         "not a picture stb_image reads", "", "t.bmp"},
        {"output cannot be made", WALKERS_IMPORT_EXE, "--texture {data}/ome16.bmp /dev/null/t.bmp",
         1, "cannot write /dev/null/t.bmp: Not a directory"},
    };
    return cases;
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

void replace_all(std::string& text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

class ToolUsage : public testing::FreshState {
protected:
    void SetUp() override {
        FreshState::SetUp();
        const char* data = std::getenv("WALKERS_DATA_DIR");
        if (data == nullptr) GTEST_SKIP() << "WALKERS_DATA_DIR is not set";
        data_ = data;
        scratch_ = std::make_unique<testing::ScratchDir>("tools");
        fs::create_directories(folder("empty"));
        fs::copy(data_, folder("noend"), fs::copy_options::recursive);
        std::string model = read_text(folder("noend") / "mdt.txt");
        const auto head = model.find("SEC_M_HEAD:");
        const auto end = model.find("\nEND\n", head);
        ASSERT_TRUE(head != std::string::npos && end != std::string::npos);
        model.erase(end, 4);
        std::ofstream(folder("noend") / "mdt.txt", std::ios::binary) << model;
    }
    fs::path folder(const char* name) const { return scratch_->path() / name; }

    // The row's arguments with their folders filled in.
    std::string arguments(const ToolCase& c, const fs::path& out) const {
        std::string args = c.args;
        replace_all(args, "{out}", out.string());
        replace_all(args, "{data}", data_.string());
        replace_all(args, "{empty}", folder("empty").string());
        replace_all(args, "{noend}", folder("noend").string());
        return args;
    }

    fs::path data_;
    std::unique_ptr<testing::ScratchDir> scratch_;
};

TEST_F(ToolUsage, EachBadUseAndFailureGetsItsStatusAndItsLine) {
    int row = 0;
    for (const ToolCase& c : tool_cases()) {
        SCOPED_TRACE(std::string(c.program ? c.program : "walkers") + ": " + c.what);
        if (c.program == nullptr) continue; // walkers is not built here
        const fs::path out = scratch_->path() / ("out" + std::to_string(row++));
        fs::create_directories(out);
        const std::string command = "cd '" + out.string() + "' && env " + c.env + " '" + c.program +
                                    "' " + arguments(c, out) + " >stdout.txt 2>stderr.txt";
        const int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status)) << command;
        EXPECT_EQ(WEXITSTATUS(status), c.status) << command;
        const std::string err = read_text(out / "stderr.txt");
        const std::string said = c.phrase_on_stdout ? read_text(out / "stdout.txt") : err;
        EXPECT_NE(said.find(c.phrase), std::string::npos) << command << "\n" << said;
        // A bad command line is one line; a failure ends with the line that says why.
        const std::vector<std::string> lines = lines_of(said);
        if (c.status == 2) {
            EXPECT_EQ(lines.size(), 1u) << said;
        }
        if (c.status == 1) {
            ASSERT_FALSE(lines.empty());
            EXPECT_NE(lines.back().find(c.phrase), std::string::npos) << said;
        }
        if (*c.not_written != '\0') {
            EXPECT_FALSE(fs::exists(out / c.not_written)) << c.not_written;
        }
    }
}

} // namespace
} // namespace walkers
