// Snapshot tests: the CRC-32, the BMP image and the state line in process, then
// the walkers-snapshot binary end to end on a small asset folder: its files,
// its exit status and its messages.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "frontend/data_dir.h"
#include "frontend/snapshot.h"
#include "scene/scene.h"
#include "scene_assets.h"

namespace walkers {
namespace {

using testing::AssetFolder;

std::span<const uint8_t> bytes_of(const std::string& s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

uint32_t le32(const std::vector<uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint32_t le16(const std::vector<uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8;
}

std::vector<uint8_t> read_bytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> read_lines(const std::filesystem::path& p) {
    std::ifstream in(p);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

TEST(Crc32, MatchesTheStandardCheckValueAndChains) {
    EXPECT_EQ(crc32_update(0, bytes_of("123456789")), 0xcbf43926u);
    EXPECT_EQ(crc32_update(0, {}), 0u);
    EXPECT_EQ(crc32_update(crc32_update(0, bytes_of("1234")), bytes_of("56789")), 0xcbf43926u);
    // Pixel words are taken low byte first: 0x3231 is "1" then "2".
    const uint16_t words[2] = {0x3231, 0x3433};
    EXPECT_EQ(crc32_pixels(words), crc32_update(0, bytes_of("1234")));
}

TEST(Bmp16, HeadersPaddingAndBottomUpRows) {
    const uint16_t px[6] = {0x0001, 0x0002, 0x7fff, 0x0004, 0x0005, 0x1234};
    const std::vector<uint8_t> b = encode_bmp16(px, 3, 2);
    ASSERT_EQ(b.size(), 54u + 8 * 2);
    EXPECT_EQ(b[0], 'B');
    EXPECT_EQ(b[1], 'M');
    EXPECT_EQ(le32(b, 2), 70u);
    EXPECT_EQ(le32(b, 6), 0u);
    EXPECT_EQ(le32(b, 10), 54u);
    EXPECT_EQ(le32(b, 14), 40u);
    EXPECT_EQ(le32(b, 18), 3u);
    EXPECT_EQ(le32(b, 22), 2u);
    EXPECT_EQ(le16(b, 26), 1u);
    EXPECT_EQ(le16(b, 28), 16u);
    EXPECT_EQ(le32(b, 30), 0u);
    EXPECT_EQ(le32(b, 34), 16u);
    for (std::size_t at = 38; at < 54; ++at)
        EXPECT_EQ(b[at], 0) << at;
    // The bottom row comes first, each row padded from 6 to 8 bytes.
    const std::vector<uint8_t> rows(b.begin() + 54, b.end());
    EXPECT_EQ(rows, (std::vector<uint8_t>{0x04, 0, 0x05, 0, 0x34, 0x12, 0, 0, //
                                          0x01, 0, 0x02, 0, 0xff, 0x7f, 0, 0}));
    EXPECT_TRUE(encode_bmp16(px, 4, 2).empty());
    EXPECT_TRUE(encode_bmp16(px, 0, 0).empty());
}

// The first folder that holds the model file wins: the working directory's
// "data", the one beside the program, the installed one reached from the
// program's folder. A "data" folder without the model file is passed over, and
// every folder looked at is named, as an absolute path.
TEST(DataDir, FirstCandidateHoldingTheModelFileWins) {
    namespace fs = std::filesystem;
    const fs::path saved = fs::current_path();
    // getcwd reports resolved paths, so compare against the resolved temp folder.
    const fs::path root =
        fs::canonical(fs::temp_directory_path()) / ("walkers-dd-" + std::to_string(::getpid()));
    fs::remove_all(root);
    const fs::path here = root / "cwd" / "data";
    const fs::path beside = root / "bin" / "data";
    const fs::path installed = (root / "bin" / INSTALLED_DATA_DIR).lexically_normal();
    for (const fs::path& folder : {here, beside, installed})
        fs::create_directories(folder);
    const fs::path exe = root / "bin" / "walkers-demo";
    fs::current_path(root / "cwd");
    const std::vector<fs::path> all{here, beside, installed};
    EXPECT_EQ(data_dir_candidates(exe), all);
    EXPECT_EQ(data_dir_candidates({}), std::vector<fs::path>{here});
    fs::current_path(root / "bin"); // started from its own folder: one candidate fewer
    EXPECT_EQ(data_dir_candidates(exe), (std::vector<fs::path>{beside, installed}));
    fs::current_path(root / "cwd");

    struct Case {
        bool model_here, model_beside, model_installed;
        fs::path found;
        std::vector<fs::path> tried;
    };
    const Case cases[] = {{false, false, false, {}, all},
                          {false, false, true, installed, all},
                          {false, true, true, beside, {here, beside}},
                          {true, true, true, here, {here}},
                          {true, false, false, here, {here}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.model_here << c.model_beside << c.model_installed);
        const std::pair<fs::path, bool> models[] = {
            {here, c.model_here}, {beside, c.model_beside}, {installed, c.model_installed}};
        for (const auto& [folder, with_model] : models) {
            fs::remove(folder / "mdt.txt");
            if (with_model) std::ofstream(folder / "mdt.txt") << "";
        }
        const DataDirLookup lookup = locate_data_dir(exe);
        EXPECT_EQ(lookup.found, c.found);
        EXPECT_EQ(lookup.tried, c.tried);
        EXPECT_EQ(lookup.folder(), c.found.empty() ? here : c.found);
        if (c.found.empty()) {
            EXPECT_EQ(lookup.not_found_message(),
                      "no folder holding mdt.txt (tried " + here.string() + ", " + beside.string() +
                          ", " + installed.string() + "); --data names one");
        }
    }
    fs::current_path(saved);
    fs::remove_all(root);
}

class SnapshotRun : public testing::FreshState {
protected:
    void SetUp() override {
        FreshState::SetUp();
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        assets_ = std::make_unique<AssetFolder>("snap-" + name, with_model());
        out_ = std::make_unique<testing::ScratchDir>("out-" + name);
    }
    virtual bool with_model() const { return true; }

    // Runs the tool in the output folder; returns its exit status.
    int run(const std::string& args) {
        const std::string command = "cd '" + out_->dir() + "' && '" WALKERS_SNAPSHOT_EXE "' " +
                                    args + " >stdout.txt 2>stderr.txt";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string data_arg() const { return "--data '" + assets_->dir() + "' "; }
    std::vector<std::string> stderr_lines() const { return read_lines(out() / "stderr.txt"); }
    const std::filesystem::path& out() const { return out_->path(); }

    std::unique_ptr<AssetFolder> assets_;
    std::unique_ptr<testing::ScratchDir> out_;
};

// Walker positions after one frame with the start directions 1,3,6,4,1,4,6,6,2.
constexpr const char* FIRST_FRAME_WALKERS =
    "[[5,100,505,640,1],[5,100,495,896,3],[-5,100,500,256,6],[0,100,495,0,4],"
    "[5,100,505,640,1],[0,100,495,0,4],[-5,100,500,256,6],[-5,100,500,256,6],"
    "[5,100,500,768,2]]";

TEST_F(SnapshotRun, StateLineListsWalkersAndJumpInOrder) {
    host = std::make_unique<HeadlessHost>(64, 48);
    setup_scene(host.get(), assets_->dir());
    run_frame(host.get());
    std::string line = "stale";
    format_state_line(line, 1, 0xdeadbeefu);
    EXPECT_EQ(line, std::string("{\"frame\":1,\"crc32\":\"deadbeef\",\"walkers\":") +
                        FIRST_FRAME_WALKERS + ",\"jump\":[-1,0,0]}");
}

TEST_F(SnapshotRun, WritesOneStateLinePerFrameAndTheLastPicture) {
    ASSERT_EQ(run(data_arg() + "--size 66x48 --frames 3 --click 2 --bmp pic.bmp --state st.jsonl"),
              0);
    const std::vector<uint8_t> b = read_bytes(out() / "pic.bmp");
    const std::size_t row = 132; // 66 pixels, already a multiple of 4 bytes
    ASSERT_EQ(b.size(), 54 + row * 48);
    EXPECT_EQ(le32(b, 2), b.size());
    EXPECT_EQ(le32(b, 10), 54u);
    EXPECT_EQ(le32(b, 18), 66u);
    EXPECT_EQ(le32(b, 22), 48u);
    EXPECT_EQ(le16(b, 28), 16u);
    EXPECT_EQ(le32(b, 34), row * 48);

    const std::vector<std::string> lines = read_lines(out() / "st.jsonl");
    ASSERT_EQ(lines.size(), 3u);
    const std::regex shape(
        R"re(\{"frame":(\d+),"crc32":"([0-9a-f]{8})","walkers":\[)re"
        R"re((\[(-?\d+|null),(-?\d+|null),(-?\d+|null),(-?\d+|null),[0-7]\],?){9})re"
        R"re(\],"jump":\[(-?\d+),([0-3]),(\d+)\]\})re");
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::smatch m;
        ASSERT_TRUE(std::regex_match(lines[i], m, shape)) << lines[i];
        EXPECT_EQ(m[1].str(), std::to_string(i + 1));
    }
    EXPECT_NE(lines[0].find(FIRST_FRAME_WALKERS), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("\"jump\":[-1,0,0]"), std::string::npos);
    // The click before frame 2 starts phase 1; two frames of it have run.
    EXPECT_NE(lines[2].find(",1,2]}"), std::string::npos) << lines[2];

    // The last line's CRC is that of the BMP's pixels read back top-down.
    std::vector<uint16_t> top_down;
    for (std::size_t y = 48; y-- > 0;) {
        for (std::size_t x = 0; x < 66; ++x)
            top_down.push_back(le16(b, 54 + y * row + 2 * x));
    }
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", crc32_pixels(top_down));
    EXPECT_NE(lines[2].find(std::string("\"crc32\":\"") + hex + "\""), std::string::npos);
    EXPECT_EQ(top_down[0], 0x0210); // the background, top-left
}

TEST_F(SnapshotRun, OddWidthRowsArePaddedAndStateGoesToStandardOutput) {
    ASSERT_EQ(run(data_arg() + "--size 5x3 --frames 2 --bmp odd.bmp --state -"), 0);
    EXPECT_EQ(read_lines(out() / "stdout.txt").size(), 2u);
    // Relative output names are taken from where the tool started, not the data folder.
    EXPECT_FALSE(std::filesystem::exists(assets_->path() / "odd.bmp"));
    const std::vector<uint8_t> b = read_bytes(out() / "odd.bmp");
    ASSERT_EQ(b.size(), 54u + 12 * 3);
    EXPECT_EQ(le32(b, 34), 36u);
    for (std::size_t y = 0; y < 3; ++y) {
        EXPECT_EQ(le16(b, 54 + y * 12 + 10), 0u) << "padding of row " << y;
        EXPECT_EQ(le16(b, 54 + y * 12), 0x0210u);
    }
}

TEST_F(SnapshotRun, DefaultSizeIsTheSurfaceTheWindowBuilds) {
    ASSERT_EQ(run(data_arg() + "--bmp default.bmp"), 0);
    const std::vector<uint8_t> b = read_bytes(out() / "default.bmp");
    ASSERT_GE(b.size(), 54u);
    EXPECT_EQ(le32(b, 18), 520u);
    EXPECT_EQ(le32(b, 22), 489u);
}

TEST_F(SnapshotRun, HelpPrintsUsage) {
    ASSERT_EQ(run("--help"), 0);
    const std::vector<std::string> usage = read_lines(out() / "stdout.txt");
    ASSERT_FALSE(usage.empty());
    EXPECT_EQ(usage[0].rfind("usage: walkers-snapshot", 0), 0u);
}

TEST_F(SnapshotRun, BadArgumentsExitTwoWithOneLine) {
    const char* cases[] = {
        "--bogus",        "--size",     "--size 0x10", "--size 10x-3",         "--size 4097x10",
        "--size 10x4097", "--size abc", "--size 10x",  "--frames -1",          "--frames x",
        "--frames 3x",    "--click 0",  "--click",     "--frames 0 --state -",
    };
    for (const char* args : cases) {
        SCOPED_TRACE(args);
        EXPECT_EQ(run(data_arg() + args), 2);
        const std::vector<std::string> err = stderr_lines();
        ASSERT_EQ(err.size(), 1u);
        EXPECT_EQ(err[0].rfind("walkers-snapshot: ", 0), 0u);
    }
}

class SnapshotWithoutModel : public SnapshotRun {
protected:
    bool with_model() const override { return false; }
};

TEST_F(SnapshotWithoutModel, MissingAssetsAreReportedAndNothingIsWritten) {
    ASSERT_EQ(run(data_arg() + "--size 8x8 --frames 2 --state st.jsonl --bmp pic.bmp"), 1);
    const std::vector<std::string> err = stderr_lines();
    ASSERT_GE(err.size(), 2u); // the loaders name what they could not read, then the refusal
    EXPECT_NE(err.front().find("mdt.txt: error: cannot read this file"), std::string::npos)
        << err.front();
    EXPECT_EQ(
        err.back().rfind("walkers-snapshot: no walker loads from '" + assets_->dir() + "'", 0), 0u)
        << err.back();
    EXPECT_FALSE(std::filesystem::exists(out() / "st.jsonl"));
    EXPECT_FALSE(std::filesystem::exists(out() / "pic.bmp"));
}

} // namespace
} // namespace walkers
