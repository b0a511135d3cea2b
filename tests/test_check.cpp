// walkers-check on the generated folder and on folders each test breaks in one
// way, one per loader: the line the tool prints (file, position, severity, the
// message's key phrase) and its exit status; the summary of a clean folder; the
// JSON it prints for tools.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include "assets/mesh.h"
#include "fresh_state.h"
#include "frontend/check.h"
#include "report_format.h"
#include "scene_assets.h"
#include "tool_run.h"

namespace walkers {
namespace {

namespace fs = std::filesystem;
using testing::MeshBytes;
using testing::ScratchDir;

fs::path generated_folder() {
    const char* dir = std::getenv("WALKERS_DATA_DIR");
    return dir ? fs::path(dir) : fs::path();
}

using testing::read_text;
using testing::ToolRun;

ToolRun run_check(const std::string& args) {
    return testing::run_command("'" WALKERS_CHECK_EXE "' " + args + " 2>&1");
}

// The 1-based line of the first occurrence of `needle` in the file.
int32_t line_of(const fs::path& path, const std::string& needle) {
    const std::string text = read_text(path);
    const auto at = text.find(needle);
    return at == std::string::npos
               ? 0
               : 1 + static_cast<int32_t>(std::count(text.begin(), text.begin() + at, '\n'));
}

void replace_in(const fs::path& path, const std::string& from, const std::string& to) {
    std::string text = read_text(path);
    const auto at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
    testing::write_text(path, text);
}

// A small head for the walker: a textured square on face4.bmp, whose second
// face names vertex 40 of 4, then whatever `tail` appends. Records the byte
// offsets a test points at.
struct HeadMesh {
    std::vector<uint8_t> bytes;
    std::size_t bad_face = 0;
    std::size_t tail = 0;
};

void chunk(MeshBytes& m, int16_t type, int16_t count, uint32_t payload_bytes) {
    m.i16(type);
    m.i16(count);
    m.u32(8 + payload_bytes);
}

HeadMesh head_mesh(bool bad_index, bool unknown_chunk, bool spare_name = false) {
    MeshBytes m;
    m.i16(0);
    m.i16(0);
    m.u32(0); // total size, filled in below
    chunk(m, CHUNK_POSITIONS, 4, 48);
    for (float v : {-0.1f, -0.9f, 0.f, 0.1f, -0.9f, 0.f, 0.1f, -0.8f, 0.f, -0.1f, -0.8f, 0.f})
        m.f32(v);
    chunk(m, CHUNK_TEXCOORDS, 4, 32);
    for (float v : {0.f, 0.f, 0.1f, 0.f, 0.1f, 0.1f, 0.f, 0.1f})
        m.f32(v);
    // A second name, never selected, loads a texture no face uses.
    const std::string names = spare_name ? std::string("face4.bmp\0spare.bmp\0\0\0\0", 24)
                                         : std::string("face4.bmp\0\0\0", 12);
    chunk(m, CHUNK_TEXTURE_NAMES, spare_name ? 2 : 1, static_cast<uint32_t>(names.size()));
    for (char c : names)
        m.bytes.push_back(static_cast<uint8_t>(c));
    chunk(m, CHUNK_SELECT_TEXTURE, 0, 4);
    m.i16(0);
    m.i16(0);
    HeadMesh head;
    chunk(m, CHUNK_TEXTURED_QUADS, 2, 32);
    head.bad_face = m.bytes.size() + 8; // the second quad's indices
    for (int16_t i :
         std::initializer_list<int16_t>{0, 1, 2, 3, 0, 1, 2, bad_index ? int16_t{40} : int16_t{3}})
        m.i16(i);
    for (int16_t i : {0, 1, 2, 3, 0, 1, 2, 3})
        m.i16(i);
    head.tail = m.bytes.size();
    if (unknown_chunk) chunk(m, 99, 0, 0);
    const auto total = static_cast<uint32_t>(m.bytes.size());
    for (int k = 0; k < 4; ++k)
        m.bytes[4 + k] = static_cast<uint8_t>(total >> (8 * k));
    head.bytes = m.bytes;
    return head;
}

constexpr const char* SHORT_POSES =
    "SEC_ANIM_HEAD: 1 IIII\n"
    "1 0 13 1\n"
    "END\n"
    "SEC_ANIM_SEEK: 1 IIIIV\n"
    "1 0 0 0  0 0 0 0\n"
    "END\n"
    "SEC_ANIM_DAT: 7 V\n"
    "0 0 0 0\n0 0 0 0\n0 0 0 0\n0 0 0 0\n0 0 0 0\n0 0 0 0\n0 0 0 0\n"
    "END\n";

struct BrokenFolder {
    const char* what;
    // Breaks the folder; returns the position text the problem line carries.
    std::function<std::string(const fs::path&)> breaks;
    const char* file;
    const char* severity;
    const char* phrase;
    int exit_status;
};

const std::vector<BrokenFolder>& broken_folders() {
    static const std::vector<BrokenFolder> cases = {
        {"section text: an object count beyond its names",
         [](const fs::path& dir) {
             replace_in(dir / "mdt.txt", "SEC_M_OBJ: 13 S", "SEC_M_OBJ: 14 S");
             return ":" + std::to_string(line_of(dir / "mdt.txt", "SEC_M_OBJ:"));
         },
         "mdt.txt", "error",
         "section SEC_M_OBJ: its count 14 is more than its records: its last record took what "
         "follows them, and 'SEC_M_BORN:' on line ",
         1},
        {"model file: more meshes than the head's part count",
         [](const fs::path& dir) {
             replace_in(dir / "mdt.txt", "SEC_M_HEAD: 1 IVVV\n  13", "SEC_M_HEAD: 1 IVVV\n  12");
             return ":" + std::to_string(line_of(dir / "mdt.txt", "SEC_M_OBJ:"));
         },
         "mdt.txt", "error",
         "SEC_M_OBJ: names 13 meshes, but SEC_M_HEAD: gives room for 12 parts; the last 1 are "
         "not loaded",
         1},
        {"mesh: a face naming a vertex the mesh does not have",
         [](const fs::path& dir) {
             const HeadMesh head = head_mesh(true, false);
             testing::write_file(dir / "head.msh", head.bytes);
             return ":byte " + std::to_string(head.bad_face);
         },
         "head.msh", "error",
         "face 1 of a textured-quads chunk: vertex index 40 is outside the 4 positions of the "
         "latest positions chunk; face dropped",
         1},
        {"mesh: a chunk type the format does not have (legal, so only a warning)",
         [](const fs::path& dir) {
             const HeadMesh head = head_mesh(false, true);
             testing::write_file(dir / "head.msh", head.bytes);
             return ":byte " + std::to_string(head.tail);
         },
         "head.msh", "warning", "chunk type 99 is not a mesh chunk type; skipped", 0},
        {"the loaded whole: a pop count the matrix stack refuses",
         [](const fs::path& dir) {
             replace_in(dir / "mdt.txt", "SEC_M_BORN: 13 IIVVVV\n  0 ",
                        "SEC_M_BORN: 13 IIVVVV\n  5 ");
             return std::string();
         },
         "mdt.txt", "error",
         "SEC_M_BORN: part 0's pop count 5 does not fit the 1 levels above it; the renderer "
         "hangs the next part from this one",
         1},
        {"the loaded whole: a texture no face uses (legal, so only a warning)",
         [](const fs::path& dir) {
             fs::copy_file(dir / "face4.bmp", dir / "spare.bmp");
             testing::write_file(dir / "head.msh", head_mesh(false, false, true).bytes);
             return std::string();
         },
         "spare.bmp", "warning", "no face is drawn with this texture", 0},
        {"animation: fewer pose records than the head calls for",
         [](const fs::path& dir) {
             testing::write_text(dir / "an.txt", SHORT_POSES);
             return std::string(":7");
         },
         "an.txt", "error",
         "SEC_ANIM_DAT: holds 7 of the 13 pose records SEC_ANIM_HEAD: calls for; the missing "
         "ones read as 0 degrees",
         1},
        {"bmp: a depth the loader does not convert",
         [](const fs::path& dir) {
             std::string bmp = read_text(dir / "ome16.bmp");
             bmp[28] = 24;
             testing::write_text(dir / "ome16.bmp", bmp);
             return std::string(":byte 28");
         },
         "ome16.bmp", "error",
         "24 bits per pixel is not supported (4, 8, 16 and 32 are); the slot is kept with black "
         "texels",
         1},
        {"mesh: a texture name holding a terminal command and a byte that is not UTF-8",
         [](const fs::path& dir) {
             replace_in(dir / "head.msh", "face4.bmp", "\x1b[2J\xff.bmp"); // as long
             return std::string();
         },
         "\\x1B[2J\\xFF.bmp", "error", "cannot read this file", 1},
        {"a missing file",
         [](const fs::path& dir) {
             fs::remove(dir / "buki16.bmp");
             return std::string();
         },
         "buki16.bmp", "error", "cannot read this file: No such file or directory", 1},
        {"the loaded whole: an outfit missing lets the face atlas move into its slot",
         [](const fs::path& dir) {
             fs::remove(dir / "ho16.bmp");
             return std::string();
         },
         "ho16.bmp", "error",
         "this outfit is not in texture slot 2, which holds face4.bmp instead: the plain faces "
         "of walkers 1, 4 and 7 wear it",
         1},
    };
    return cases;
}

class CheckTool : public testing::FreshState {
protected:
    void SetUp() override {
        FreshState::SetUp();
        if (generated_folder().empty()) GTEST_SKIP() << "WALKERS_DATA_DIR is not set";
    }
    // A copy of the generated folder, made for one case.
    fs::path copy_of_generated(const std::string& tag) {
        scratch_ = std::make_unique<ScratchDir>(tag);
        const fs::path dir = scratch_->path() / "data";
        fs::copy(generated_folder(), dir, fs::copy_options::recursive);
        return dir;
    }

private:
    std::unique_ptr<ScratchDir> scratch_;
};

TEST_F(CheckTool, EachBrokenFolderGetsItsLineAndItsExitStatus) {
    for (const BrokenFolder& c : broken_folders()) {
        SCOPED_TRACE(c.what);
        const fs::path dir = copy_of_generated("check");
        const std::string position = c.breaks(dir);
        const ToolRun run = run_check("'" + dir.string() + "'");
        EXPECT_EQ(run.status, c.exit_status) << run.out;
        const std::string start = (dir / c.file).string() + position + ": " + c.severity + ": ";
        std::istringstream lines(run.out);
        bool found = false;
        for (std::string line; std::getline(lines, line);)
            found =
                found || (line.rfind(start, 0) == 0 && line.find(c.phrase) != std::string::npos);
        EXPECT_TRUE(found) << "no line starting '" << start << "' with '" << c.phrase << "' in\n"
                           << run.out;
    }
}

// What one problem line must say: its file (in the folder), its position text
// (":LINE", ":byte N" or none), its severity and a phrase of its message.
struct Expected {
    std::string file;
    std::string position;
    const char* severity;
    std::string phrase;
};

// The offset of the first chunk of `type` in mesh bytes.
std::size_t chunk_offset(const std::string& mesh, int16_t type) {
    for (std::size_t at = 8; at + 8 <= mesh.size();) {
        const auto word = [&](std::size_t k) { return static_cast<uint8_t>(mesh[at + k]); };
        if (static_cast<int16_t>(word(0) | word(1) << 8) == type) return at;
        at += word(4) | word(5) << 8 | word(6) << 16 | static_cast<std::size_t>(word(7)) << 24;
    }
    return 0;
}

std::string at_byte_of(std::size_t offset) {
    return ":byte " + std::to_string(offset);
}

struct PositionCase {
    const char* what;
    // Breaks the folder; returns every problem line the check must print, in order.
    std::function<std::vector<Expected>(const fs::path&)> breaks;
};

const std::vector<PositionCase>& position_cases() {
    static const std::vector<PositionCase> cases = {
        {"a missing END: named where it was expected, with what it cost",
         [](const fs::path& dir) -> std::vector<Expected> {
             replace_in(dir / "mdt.txt", "0 0 0 0   1 1 1 0\nEND\n", "0 0 0 0   1 1 1 0\n");
             const fs::path m = dir / "mdt.txt";
             const auto line = [&](const char* text) { return std::to_string(line_of(m, text)); };
             return {{"mdt.txt", ":" + line("  13   0 100 500"), "error",
                      "section SEC_M_HEAD: its closing token (END) is missing after its last "
                      "record, which ends on this line: 'SEC_M_OBJ:' on line " +
                          line("SEC_M_OBJ:") +
                          " was taken for its closing token, so section SEC_M_OBJ: is lost and "
                          "lines " +
                          line("SEC_M_OBJ:") + " to " +
                          std::to_string(line_of(m, "SEC_M_BORN:") - 1) +
                          " are read as the sections '13', 'head.msh', 'arm_lower_r.msh' and "
                          "'leg_upper_r.msh'; from SEC_M_BORN: on line " +
                          line("SEC_M_BORN:") + " on, sections are read as written"},
                     {"mdt.txt", ":" + line("SEC_M_BORN:"), "warning", "13 records for 0 parts"},
                     {"mdt.txt", "", "error", "no SEC_M_OBJ: section after SEC_M_HEAD:"},
                     {"mdt.txt", "", "error", "the 9 walkers loaded have no face to draw"},
                     {"an.txt", "", "warning", "the model it drives has 0"}};
         }},
        {"a mistyped mesh name: at the file and at the line naming it",
         [](const fs::path& dir) -> std::vector<Expected> {
             replace_in(dir / "mdt.txt", "  head.msh", "  haed.msh");
             return {{"haed.msh", "", "error", "cannot read this file: No such file or directory"},
                     {"mdt.txt", ":" + std::to_string(line_of(dir / "mdt.txt", "haed.msh")),
                      "error",
                      "mesh file \"haed.msh\" cannot be read: No such file or directory; part 2 "
                      "is left empty"}};
         }},
        {"a mistyped texture name in a mesh: at the name's byte",
         [](const fs::path& dir) -> std::vector<Expected> {
             replace_in(dir / "head.msh", std::string("face4.bmp\0", 10),
                        std::string("face5.bmp\0", 10));
             const std::string mesh = read_text(dir / "head.msh");
             return {{"face5.bmp", "", "error", "cannot read this file"},
                     {"head.msh", at_byte_of(mesh.find("face5.bmp")), "error",
                      "texture-names chunk: texture \"face5.bmp\" cannot be read: No such file or "
                      "directory; faces that select it are drawn flat"},
                     {"head.msh", at_byte_of(chunk_offset(mesh, CHUNK_TEXTURED_QUADS)), "error",
                      "the selected texture 'face5.bmp' could not be loaded"}};
         }},
        {"an empty folder: the missing files themselves, in the order they are read",
         [](const fs::path& dir) -> std::vector<Expected> {
             fs::remove_all(dir);
             fs::create_directories(dir);
             std::vector<Expected> lines;
             for (const char* outfit : {"ome16.bmp", "buki16.bmp", "ho16.bmp"}) {
                 lines.push_back({outfit, "", "error", "cannot read this file"});
                 lines.push_back({outfit, "", "error", "this outfit is not in texture slot"});
             }
             lines.push_back({"mdt.txt", "", "error", "cannot read this file"});
             lines.push_back({"an.txt", "", "error", "cannot read this file"});
             return lines;
         }},
        {"a mesh cut short at a chunk's end loses what followed: an error",
         [](const fs::path& dir) -> std::vector<Expected> {
             const std::string mesh = read_text(dir / "head.msh");
             testing::write_text(dir / "head.msh",
                                 mesh.substr(0, chunk_offset(mesh, CHUNK_TEXTURE_NAMES)));
             return {{"head.msh", ":byte 4", "error", "the file is cut short"}};
         }},
        {"face chunks before any positions chunk: one error for the chunk",
         [](const fs::path& dir) -> std::vector<Expected> {
             MeshBytes m;
             m.i16(0);
             m.i16(0);
             m.u32(8 + 24 + 20);
             chunk(m, CHUNK_QUADS, 2, 16);
             for (int16_t i : {0, 1, 2, 3, 3, 2, 1, 0})
                 m.i16(i);
             chunk(m, CHUNK_POSITIONS, 1, 12);
             for (float v : {0.f, 0.f, 0.f})
                 m.f32(v);
             testing::write_file(dir / "head.msh", m.bytes);
             return {{"head.msh", ":byte 8", "error",
                      "plain-quads chunk: no positions chunk comes before it; its 2 faces are "
                      "dropped"}};
         }},
        {"a bare joint, a header without chunks: no problem",
         [](const fs::path& dir) -> std::vector<Expected> {
             MeshBytes m;
             m.i16(0);
             m.i16(0);
             m.u32(8);
             testing::write_file(dir / "head.msh", m.bytes);
             return {};
         }},
        {"a bare joint, a positions chunk of count 0: no problem",
         [](const fs::path& dir) -> std::vector<Expected> {
             MeshBytes m;
             m.i16(0);
             m.i16(0);
             m.u32(16);
             chunk(m, CHUNK_POSITIONS, 0, 0);
             testing::write_file(dir / "head.msh", m.bytes);
             return {};
         }},
    };
    return cases;
}

// The problem lines come first: then an empty line and the model's, or the
// model's line at once when there are none.
std::vector<std::string> problem_lines(const std::string& out) {
    std::vector<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line) && !line.empty() && line.rfind("model ", 0) != 0;)
        lines.push_back(line);
    return lines;
}

TEST_F(CheckTool, ProblemsPointWhereTheAuthorMustEditInFileOrder) {
    for (const PositionCase& c : position_cases()) {
        SCOPED_TRACE(c.what);
        const fs::path dir = copy_of_generated("positions");
        const std::vector<Expected> expected = c.breaks(dir);
        const ToolRun run = run_check("'" + dir.string() + "'");
        EXPECT_EQ(run.status, expected.empty() ? 0 : 1) << run.out;
        const std::vector<std::string> lines = problem_lines(run.out);
        ASSERT_EQ(lines.size(), expected.size()) << run.out;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const Expected& e = expected[i];
            const std::string start =
                (dir / e.file).string() + e.position + ": " + e.severity + ": ";
            EXPECT_EQ(lines[i].rfind(start, 0), 0u) << "line " << i << ": " << lines[i];
            EXPECT_NE(lines[i].find(e.phrase), std::string::npos)
                << "line " << i << ": " << lines[i];
        }
    }
}

// docs/assets.md's hand-written folder, run as printed there: it loads and
// checks clean, so the page cannot drift from what the loaders take.
TEST_F(CheckTool, TheHandWrittenFolderOfTheAssetsPageChecksClean) {
    if (std::system("python3 -c '' >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
    const std::string page = read_text(fs::path(WALKERS_SOURCE_DIR) / "docs" / "assets.md");
    const auto marker = page.find("<!-- tests/test_check.cpp runs the block below");
    ASSERT_NE(marker, std::string::npos);
    const auto begin = page.find("```sh\n", marker);
    ASSERT_NE(begin, std::string::npos);
    const auto end = page.find("\n```\n", begin);
    ASSERT_NE(end, std::string::npos);

    const ScratchDir work("handmade");
    fs::create_directories(work.path() / "build" / "bin");
    fs::create_directory_symlink(fs::absolute(generated_folder()),
                                 work.path() / "build" / "bin" / "data");
    testing::write_text(work.path() / "block.sh", page.substr(begin + 6, end + 1 - (begin + 6)));
    ASSERT_EQ(std::system(("cd '" + work.dir() + "' && bash -e block.sh").c_str()), 0);

    const fs::path folder = work.path() / "mywalker";
    const ToolRun run = run_check("'" + folder.string() + "'");
    EXPECT_EQ(run.status, 0) << run.out;
    for (const std::string& expected :
         {folder.string() + ": 0 errors, 0 warnings\n",
          std::string(": 1 part of the 1 its head gives, 8 vertices, hierarchy 1 level deep; 9 of "
                      "9 walkers loaded\n"),
          std::string(": 1 key, 1 pose of 1 part; plays 1 key in a loop\n")})
        EXPECT_NE(run.out.find(expected), std::string::npos) << expected << "\n" << run.out;
}

TEST_F(CheckTool, GeneratedFolderChecksClean) {
    const ToolRun run = run_check("'" + generated_folder().string() + "'");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find(fs::absolute(generated_folder()).lexically_normal().string() +
                           ": 0 errors, 0 warnings\n"),
              std::string::npos)
        << run.out;

    const check::CheckReport r = check::check_folder(generated_folder());
    EXPECT_TRUE(r.problems.empty());
    EXPECT_EQ(r.walkers_loaded, 9);
    EXPECT_EQ(r.model.parts, 13);
    EXPECT_EQ(r.model.depth, 4);
    EXPECT_TRUE(r.animation.plays);
    EXPECT_TRUE(r.animation.loops);
    EXPECT_EQ(r.animation.keys_played, 32);
    ASSERT_EQ(r.textures.size(), 4u);
    EXPECT_EQ(r.textures[3].name, "face4.bmp");
    EXPECT_EQ(r.textures[3].bits_per_pixel, 4);
    EXPECT_EQ(r.textures[0].bits_per_pixel, 16);
    ASSERT_FALSE(r.budget.empty());
    EXPECT_EQ(r.budget[0].what, "positions");
    EXPECT_EQ(r.budget[0].used, 9 * r.budget[0].per_walker);
    EXPECT_EQ(fs::current_path(), start_dir()); // the check goes back where it started
}

TEST_F(CheckTool, BadUsageExitsTwo) {
    EXPECT_EQ(run_check("--frobnicate").status, 2);
    EXPECT_EQ(run_check("a b").status, 2);
    EXPECT_EQ(run_check("--help").status, 0);
    const ToolRun missing = run_check("'" + (start_dir() / "no-such-folder").string() + "'");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("no-such-folder: error: cannot open this folder"), std::string::npos)
        << missing.out;
}

// The JSON document carries the same problems, escaped as the text lines are
// for any bytes a file can hold, and python's parser takes it.
TEST_F(CheckTool, JsonCarriesTheProblemsAndParses) {
    check::CheckReport r;
    r.folder = "/d";
    Diagnostic d;
    d.file = "/d/a\"b.txt";
    d.position = at_line(3);
    d.message = std::string("token '\x01\xff\xc3\xa9' is odd");
    r.problems.push_back(d);
    const std::string json = check::json_report(r);
    EXPECT_NE(json.find(R"("problems":[{"file":"/d/a\"b.txt","line":3,"severity":"error",)"
                        R"("message":"token '\\x01\\xFF)"
                        "\xC3\xA9"
                        R"(' is odd"}])"),
              std::string::npos)
        << json;

    if (std::system("python3 -c '' >/dev/null 2>&1") != 0) GTEST_SKIP() << "no python3";
    const fs::path dir = copy_of_generated("json");
    std::string bmp = read_text(dir / "ome16.bmp");
    bmp[28] = 24;
    testing::write_text(dir / "ome16.bmp", bmp);
    const ToolRun run = run_check(
        "--json '" + dir.string() +
        "' | python3 -c 'import json,sys; d=json.load(sys.stdin); "
        "p=d[\"problems\"][0]; print(d[\"errors\"], d[\"warnings\"], p[\"byte\"], p[\"severity\"], "
        "d[\"textures\"][0][\"bits_per_pixel\"], d[\"budget\"][0][\"capacity\"])'");
    EXPECT_EQ(run.out, "1 0 28 error 24 1500\n");
}

} // namespace
} // namespace walkers
