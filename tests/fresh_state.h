// fresh_state.h - every module as the program starts, for every suite.
//
// reset_all_modules puts every module back through its one reset, in the scene's
// teardown order (teardown_scene), and restarts the random generator. FreshState
// does that before and after each test and gives the test back the working
// directory it started in, so no test sees what another left behind. Its helpers
// build, from that state, what several suites need:
// - bind_streams: the render store with stream rows 0, 1 and 2 bound to the
//   fixture's arrays, by default of the scene's capacities;
// - make_surface: a width x height 16-bit surface, clip limits set to it, and
//   pixel and written to read it back;
// - enter_scratch_dir: a new empty folder made the working directory.
// ScratchDir is such a folder on its own: unique to the process, removed with it.
// HeardProblems listens to the loaders while it lives and gives back what they said.
#pragma once

#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "assets/diagnostics.h"
#include "render/store.h"
#include "render/surface.h"
#include "scene/scene.h"

namespace walkers::testing {

inline void reset_all_modules() {
    teardown_scene();
    random_reset();
}

class ScratchDir {
public:
    explicit ScratchDir(const std::string& tag) {
        static int32_t made = 0;
        path_ =
            std::filesystem::temp_directory_path() /
            ("walkers-" + tag + "-" + std::to_string(::getpid()) + "-" + std::to_string(made++));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string dir() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

class HeardProblems {
public:
    HeardProblems() : listen_(&log_) {}
    const DiagnosticLog& log() const { return log_; }
    // Every distinct problem as its formatted line, one per line.
    std::string text() const {
        std::string out;
        for (const Diagnostic& d : log_.diagnostics())
            out += format_diagnostic(d) + "\n";
        return out;
    }

private:
    DiagnosticLog log_;
    ListeningScope listen_;
};

class FreshState : public ::testing::Test {
protected:
    void SetUp() override {
        start_dir_ = std::filesystem::current_path();
        reset_all_modules();
    }
    void TearDown() override {
        reset_all_modules();
        std::filesystem::current_path(start_dir_);
        scratch_.reset();
    }

    void bind_streams(std::size_t position_room = POSITION_STREAM_CAPACITY,
                      std::size_t colour_room = COLOUR_STREAM_CAPACITY,
                      std::size_t texcoord_room = TEXCOORD_STREAM_CAPACITY) {
        ASSERT_EQ(create_render_store(), 0);
        positions.assign(position_room, Vector4{});
        colours.assign(colour_room, Vector4{});
        texcoords.assign(texcoord_room, Vector4{});
        set_position_stream(positions);
        set_colour_stream(colours);
        set_texcoord_stream(texcoords);
    }

    void make_surface(int32_t width, int32_t height) {
        free_frame_surface();
        host = std::make_unique<HeadlessHost>(width, height);
        ASSERT_EQ(create_frame_surface(host.get()), 0);
        ASSERT_EQ(set_surface_depth(16), 0);
        clip_to_surface();
    }

    static uint16_t pixel(int32_t x, int32_t y) {
        return surface_pixels()[static_cast<std::size_t>(y) * surface_width() + x];
    }
    // Pixels of the surface that are not 0 (what a fresh surface holds).
    static int32_t written() {
        int32_t n = 0;
        for (int32_t i = 0; i < surface_width() * surface_height(); ++i)
            n += surface_pixels()[i] != 0;
        return n;
    }

    const std::filesystem::path& enter_scratch_dir() {
        scratch_ = std::make_unique<ScratchDir>(
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::current_path(scratch_->path());
        return scratch_->path();
    }

    // The working directory the test started in (and ends in).
    const std::filesystem::path& start_dir() const { return start_dir_; }

    std::vector<Vector4> positions, colours, texcoords;
    std::unique_ptr<HeadlessHost> host;

private:
    std::filesystem::path start_dir_;
    std::unique_ptr<ScratchDir> scratch_;
};

} // namespace walkers::testing
