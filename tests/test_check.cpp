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
#include "check.h"
#include "fresh_state.h"
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

using testing::ToolRun;

ToolRun run_check(const std::string& args) {
    return testing::run_command("'" WALKERS_CHECK_EXE "' " + args + " 2>&1");
}

std::string read_text(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
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
             return ":" + std::to_string(line_of(dir / "mdt.txt", "SEC_M_BORN:"));
         },
         "mdt.txt", "error",
         "section SEC_M_OBJ: the token closing it, 'SEC_M_BORN:', looks like a section name", 1},
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
         "mdt.txt", "error",
         "texture slot 2 holds face4.bmp instead of the outfit ho16.bmp: the plain faces of "
         "walkers 1, 4 and 7 wear it",
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

// The JSON document carries the same problems, escaped for any bytes a file
// can hold, and python's parser takes it.
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
                        R"("message":"token '\u0001)"
                        "\xEF\xBF\xBD\xC3\xA9"
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
