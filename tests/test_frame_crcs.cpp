// Frame pins: whole runs of the scene, with clicks, reduced to one digest each.
//
// Every frame's state line (frame number, the surface's CRC-32, every walker's
// position, heading and direction, the jump) is chained into one CRC-32 per run.
// A change to any pixel of any frame, or to any position, changes the digest.
// The runs cover the demo's generated folder and the scene tests' small folder,
// at the snapshot size, the window's usual surface, and small and odd sizes
// where walkers are clipped at every edge of the surface.
//
// These digests are the contract that restructuring and speed work keep: if one
// changes, a frame changed. Print the current values with
// WALKERS_PRINT_DIGESTS=1 only when a change of picture is intended.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "frontend/snapshot.h"
#include "scene/scene.h"
#include "scene_assets.h"

using namespace walkers;

namespace {

// Remembers the CRC of the last frame presented.
class CrcHost final : public WindowHost {
public:
    CrcHost(int32_t width, int32_t height) : size_{width, height} {}
    ClientSize client_size() const override { return size_; }
    void present(std::span<const uint16_t> pixels, int32_t, int32_t) override {
        crc = crc32_pixels(pixels);
    }
    uint32_t crc = 0;

private:
    ClientSize size_;
};

struct PinnedRun {
    const char* folder; // "demo" or "panel"
    int32_t width;
    int32_t height;
    uint32_t digest;
};

// Clicks land just before these frames (frames count from 1): one jump starts at
// 5, a click during it is dropped, and two more jumps follow.
constexpr int32_t FRAMES = 300;
const std::vector<int64_t> CLICKS{5, 60, 130, 240};

uint32_t run_digest(const std::string& dir, int32_t width, int32_t height) {
    const auto previous = std::filesystem::current_path();
    CrcHost host(width, height);
    random_reset();
    setup_scene(&host, dir);
    uint32_t digest = 0;
    std::string line;
    for (int64_t frame = 1; frame <= FRAMES; ++frame) {
        for (int64_t click : CLICKS)
            if (click == frame) start_jump();
        run_frame(&host);
        format_state_line(line, frame, host.crc);
        line.push_back('\n');
        digest = crc32_update(digest, {reinterpret_cast<const uint8_t*>(line.data()), line.size()});
    }
    teardown_scene();
    std::filesystem::current_path(previous);
    return digest;
}

class FrameCrcs : public ::testing::TestWithParam<PinnedRun> {};

TEST_P(FrameCrcs, EveryFrameOfTheRunIsUnchanged) {
    const PinnedRun& run = GetParam();
    std::unique_ptr<walkers::testing::AssetFolder> panel;
    std::string dir;
    if (std::string(run.folder) == "demo") {
        const char* demo = std::getenv("WALKERS_DATA_DIR");
        ASSERT_NE(demo, nullptr) << "WALKERS_DATA_DIR is not set";
        dir = demo;
    } else {
        panel = std::make_unique<walkers::testing::AssetFolder>(
            "frame-crcs-" + std::to_string(run.width) + "x" + std::to_string(run.height));
        dir = panel->dir();
    }
    const uint32_t digest = run_digest(dir, run.width, run.height);
    if (std::getenv("WALKERS_PRINT_DIGESTS"))
        std::printf("{\"%s\", %d, %d, 0x%08xu},\n", run.folder, run.width, run.height, digest);
    EXPECT_EQ(digest, run.digest) << run.folder << " " << run.width << "x" << run.height;
}

INSTANTIATE_TEST_SUITE_P(Runs, FrameCrcs,
                         ::testing::Values(PinnedRun{"demo", 512, 461, 0x61253073u},
                                           PinnedRun{"demo", 520, 489, 0x607a5e9eu},
                                           PinnedRun{"demo", 161, 121, 0xbbcb893au},
                                           PinnedRun{"demo", 801, 601, 0xc4ff2a96u},
                                           PinnedRun{"panel", 512, 461, 0x95986620u},
                                           PinnedRun{"panel", 97, 63, 0xf032e54au}),
                         [](const ::testing::TestParamInfo<PinnedRun>& info) {
                             return std::string(info.param.folder) + "_" +
                                    std::to_string(info.param.width) + "x" +
                                    std::to_string(info.param.height);
                         });

} // namespace
