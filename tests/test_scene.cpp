// Scene tests: start-up order and state, the walk with its bounces, the jump
// timeline, and what a frame does without models, without a surface or after
// teardown. The asset folder is a small one written by the test; the worked
// positions and directions hold for any assets.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "assets/diagnostics.h"
#include "assets/model.h"
#include "geometry/matrix.h"
#include "render/store.h"
#include "render/surface.h"
#include "render/texture_table.h"
#include "scene/scene.h"
#include "scene_assets.h"

namespace walkers {
namespace {

using testing::AssetFolder;

// The generator written out independently: the draws a run makes, in order.
std::vector<int32_t> reference_draws(int n) {
    std::vector<int32_t> out;
    uint32_t state = 1;
    for (int i = 0; i < n; ++i) {
        state = state * 214013u + 2531011u;
        out.push_back(static_cast<int32_t>((state >> 16) & 0x7fff));
    }
    return out;
}

struct Pos {
    int32_t x, y, z;
    bool operator==(const Pos&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Pos& p) {
    return os << "(" << p.x << "," << p.y << "," << p.z << ")";
}

class SceneTest : public testing::FreshState {
protected:
    std::string tag() const {
        return ::testing::UnitTest::GetInstance()->current_test_info()->name();
    }
    void start(bool with_model = true, int32_t width = 512, int32_t height = 461) {
        assets_ = std::make_unique<AssetFolder>(tag(), with_model);
        host = std::make_unique<HeadlessHost>(width, height);
        setup_scene(host.get(), assets_->dir());
    }
    void frames(int n) {
        for (int i = 0; i < n; ++i)
            run_frame(host.get());
    }
    static Vector4& position(int i) { return *model_position(walkers()[i].model); }
    static Pos pos(int i) {
        const Vector4& v = position(i);
        return {v.x, v.y, v.z};
    }
    static int32_t heading(int i) { return model_rotation(walkers()[i].model)->y; }
    static int32_t direction(int i) { return walkers()[i].direction; }
    // The generator's next value (drawing it): tells how many draws came before.
    static int32_t next_draw() { return random_next(); }

    std::unique_ptr<AssetFolder> assets_;
};

constexpr int32_t START_DIRECTIONS[9] = {1, 3, 6, 4, 1, 4, 6, 6, 2};

TEST_F(SceneTest, SetupPlacesNineWalkersWithTheFirstNineDraws) {
    start();
    for (int i = 0; i < WALKER_COUNT; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(walkers()[i].model, i);
        EXPECT_EQ(walkers()[i].animation, i);
        EXPECT_EQ(direction(i), START_DIRECTIONS[i]);
        EXPECT_EQ(position(i).x, 0);
        EXPECT_EQ(position(i).z, 500);
    }
    EXPECT_EQ(jump_sequence().walker, -1);
    EXPECT_EQ(jump_sequence().phase, 0);
    EXPECT_EQ(frames_drawn(), 0);
    // Setup drew exactly nine numbers.
    EXPECT_EQ(next_draw(), reference_draws(10)[9]);
}

TEST_F(SceneTest, SetupFixesSurfaceProjectionColourAndTextureSlots) {
    start();
    EXPECT_EQ(projection_centre_x(), 256);
    EXPECT_EQ(projection_centre_y(), 230);
    EXPECT_EQ(clip_width(), 512);
    EXPECT_EQ(clip_height(), 461);
    EXPECT_EQ(clear_colour(), 0x0210);
    ASSERT_NE(surface_pixels(), nullptr);
    const char* names[3] = {"ome16.bmp", "buki16.bmp", "ho16.bmp"};
    for (int t = 0; t < 3; ++t) {
        ASSERT_NE(texture_slot(t), nullptr);
        EXPECT_STREQ(texture_slot(t)->name, names[t]);
    }
    EXPECT_EQ(texture_slot(3), nullptr);
}

TEST_F(SceneTest, WalkerIWearsTextureSlotIPlusOneModThree) {
    start();
    // Each walker's one mesh appends four positions, four corner texcoords and
    // two quads, walker by walker.
    EXPECT_EQ(stream_count(STREAM_POSITIONS), 36);
    EXPECT_EQ(stream_count(STREAM_TEXCOORDS), 36);
    EXPECT_EQ(stream_count(STREAM_COLOURS), 0);
    PrimitiveStore* store = current_store();
    ASSERT_NE(store, nullptr);
    ASSERT_EQ(store->primitive_count, 18);
    int32_t offset = 0;
    for (int k = 0; k < store->primitive_count; ++k) {
        const Primitive& p = primitive_at(offset);
        EXPECT_EQ(p.texture, (k / 2 + 1) % 3) << "primitive " << k;
        offset += p.size;
    }
}

TEST_F(SceneTest, StreamsStayEmptyAndWalkersAreSkippedWithoutAModel) {
    start(/*with_model=*/false);
    EXPECT_EQ(stream_count(STREAM_POSITIONS), 0);
    EXPECT_EQ(stream_count(STREAM_COLOURS), 0);
    EXPECT_EQ(stream_count(STREAM_TEXCOORDS), 0);
    for (int i = 0; i < WALKER_COUNT; ++i) {
        EXPECT_EQ(walkers()[i].model, -1);
        EXPECT_EQ(walkers()[i].animation, -1);
        // The direction is drawn all the same, keeping the sequence.
        EXPECT_EQ(direction(i), START_DIRECTIONS[i]);
    }
    frames(3);
    EXPECT_EQ(frames_drawn(), 3);
    EXPECT_EQ(host->presented(), 3);
    EXPECT_EQ(surface_pixels()[0], 0x0210);
    // The click draws its number but picks a walker that cannot jump.
    start_jump();
    EXPECT_EQ(jump_sequence().walker, -1);
    EXPECT_EQ(jump_sequence().phase, 0);
    EXPECT_EQ(next_draw(), reference_draws(11)[10]);
}

// Setup keeps the listener it finds, whose log names each unreadable file once
// by its full path, and a folder it cannot enter loads nothing at all rather
// than whatever lies where it is.
TEST_F(SceneTest, SetupTellsTheListenerOfUnreadableFilesAndSkipsAFolderItCannotEnter) {
    DiagnosticLog log;
    {
        const ListeningScope listen(&log);
        start(/*with_model=*/false);
    }
    const std::string model = (assets_->path() / "mdt.txt").string();
    EXPECT_EQ(log.unreadable_files(), std::vector<std::string>{model});
    ASSERT_EQ(log.diagnostics().size(), 1u); // nine walkers, one line
    EXPECT_EQ(format_diagnostic(log.diagnostics()[0]),
              model + ": error: cannot read this file: No such file or directory");
    EXPECT_EQ(find_texture("ome16.bmp"), 0);
    EXPECT_EQ(diagnostic_sink(), nullptr);

    teardown_scene();
    std::filesystem::current_path(start_dir());
    DiagnosticLog elsewhere;
    {
        const ListeningScope listen(&elsewhere);
        setup_scene(host.get(), (assets_->path() / "absent").string());
    }
    EXPECT_TRUE(elsewhere.diagnostics().empty());
    EXPECT_EQ(find_texture("ome16.bmp"), -1);
    EXPECT_EQ(walkers()[0].model, -1);
    EXPECT_EQ(std::filesystem::current_path(), start_dir());
    frames(1);
    EXPECT_EQ(surface_pixels()[0], 0x0210); // the floor all the same
}

// Each walker's loads add one copy of the panel: four positions, four corner
// texcoords and two 48-byte quads.
TEST_F(SceneTest, EachWalkerAddsOneCopyOfItsGeometryToTheStore) {
    start();
    for (const StoreUse& use : walker_store_use()) {
        EXPECT_EQ(use.positions, 4);
        EXPECT_EQ(use.texcoords, 4);
        EXPECT_EQ(use.primitives, 2);
        EXPECT_EQ(use.primitive_bytes, 96);
    }
    EXPECT_EQ(store_use().primitive_bytes, WALKER_COUNT * 96);
}

TEST_F(SceneTest, FirstFrameMatchesTheWorkedPositions) {
    start();
    frames(1);
    EXPECT_EQ(pos(0), (Pos{5, 100, 505}));
    EXPECT_EQ(heading(0), 640);
    EXPECT_EQ(pos(3), (Pos{0, 100, 495}));
    EXPECT_EQ(heading(3), 0);
    EXPECT_EQ(pos(8), (Pos{5, 100, 500}));
    EXPECT_EQ(heading(8), 768);
    EXPECT_EQ(frames_drawn(), 1);
    EXPECT_EQ(host->presented(), 1);
    // The background is cleared and the walkers are drawn over it.
    const uint16_t* px = surface_pixels();
    EXPECT_EQ(px[0], 0x0210);
    int drawn = 0;
    for (int i = 0; i < 512 * 461; ++i)
        drawn += px[i] != 0x0210;
    EXPECT_GT(drawn, 0);
}

TEST_F(SceneTest, FirstBouncesComeInFrame81ThenWalkerZeroTwiceAtTheFarEdge) {
    start();
    frames(80);
    EXPECT_EQ(pos(3), (Pos{0, 100, 100}));
    for (int i = 0; i < WALKER_COUNT; ++i)
        EXPECT_EQ(direction(i), START_DIRECTIONS[i]);
    frames(1);
    // Walkers 1, 3, 5 bounce in order and draw 0, 1, 1; the refused step is
    // undone and its heading kept for this frame.
    EXPECT_EQ(direction(1), 0);
    EXPECT_EQ(direction(3), 1);
    EXPECT_EQ(direction(5), 1);
    EXPECT_EQ(pos(3), (Pos{0, 100, 100}));
    EXPECT_EQ(heading(3), 0);
    for (int i : {0, 2, 4, 6, 7, 8})
        EXPECT_EQ(direction(i), START_DIRECTIONS[i]) << i;
    frames(59); // frame 140
    EXPECT_EQ(pos(0), (Pos{700, 100, 1200}));
    frames(1); // 141: bounces and draws its old direction 1 again
    EXPECT_EQ(pos(0), (Pos{700, 100, 1200}));
    EXPECT_EQ(direction(0), 1);
    EXPECT_EQ(heading(0), 640);
    frames(1); // 142: the same step is refused again, with the same heading
    EXPECT_EQ(pos(0), (Pos{700, 100, 1200}));
    EXPECT_EQ(heading(0), 640);
}

TEST_F(SceneTest, BoundsAreInclusiveAndEachBounceDrawsOneNumber) {
    start();
    // Walker 8 walks +x, 3 walks -z, 2 walks -x, 0 walks +x +z.
    position(8).x = 795;
    position(3).z = 105;
    position(2).x = -795;
    position(0) = Vector4{795, 0, 1195, 0};
    frames(1);
    EXPECT_EQ(pos(8), (Pos{800, 100, 500}));
    EXPECT_EQ(pos(3), (Pos{0, 100, 100}));
    EXPECT_EQ(pos(2), (Pos{-800, 100, 500}));
    EXPECT_EQ(pos(0), (Pos{800, 100, 1200}));
    for (int i = 0; i < WALKER_COUNT; ++i)
        EXPECT_EQ(direction(i), START_DIRECTIONS[i]);
    EXPECT_EQ(next_draw(), reference_draws(10)[9]); // no bounce drew

    random_reset();
    setup_scene(host.get(), assets_->dir());
    position(8).x = 800; // 805 is outside
    position(2).x = -800;
    frames(1);
    const std::vector<int32_t> draws = reference_draws(12);
    EXPECT_EQ(pos(8), (Pos{800, 100, 500}));
    EXPECT_EQ(heading(8), 768);
    EXPECT_EQ(pos(2), (Pos{-800, 100, 500}));
    EXPECT_EQ(direction(2), draws[9] & 7); // walker order within the frame
    EXPECT_EQ(direction(8), draws[10] & 7);
    EXPECT_EQ(next_draw(), draws[11]);
}

TEST_F(SceneTest, JumpFollowsTheWorkedTimeline) {
    start();
    const int32_t chosen = reference_draws(10)[9] % 9;
    position(chosen) = Vector4{600, 100, 900, 0};
    start_jump();
    ASSERT_EQ(jump_sequence().walker, chosen);
    EXPECT_EQ(jump_sequence().phase, 1);
    const int32_t dir = direction(chosen);

    frames(1); // t = 0 leaves it where it was
    EXPECT_EQ(pos(chosen), (Pos{600, 100, 900}));
    EXPECT_EQ(heading(chosen), 0);
    frames(1);
    EXPECT_EQ(pos(chosen), (Pos{570, 100, 855}));
    start_jump(); // ignored: no change, no draw (checked by frame 81 below)
    frames(17);
    EXPECT_EQ(pos(chosen), (Pos{60, 100, 90}));
    frames(1);
    EXPECT_EQ(pos(chosen), (Pos{0, 100, 0}));
    EXPECT_EQ(jump_sequence().phase, 2);
    EXPECT_EQ(jump_sequence().frame, 0);
    for (int f = 1; f <= 49; ++f) {
        frames(1);
        ASSERT_EQ(pos(chosen), (Pos{0, 100, 0}));
        ASSERT_EQ(jump_sequence().frame, f);
    }
    start_jump();
    frames(1); // frame 70 ends the hold
    EXPECT_EQ(jump_sequence().phase, 3);
    EXPECT_EQ(jump_sequence().source[0], 0);
    EXPECT_EQ(jump_sequence().source[2], 0);
    EXPECT_EQ(jump_sequence().target[0], 600);
    for (int t = 0; t < 30; ++t) {
        frames(1);
        ASSERT_EQ(pos(chosen), (Pos{20 * t, 100, 30 * t})) << "t " << t;
        ASSERT_EQ(heading(chosen), 512);
    }
    EXPECT_EQ(pos(chosen), (Pos{580, 100, 870}));
    EXPECT_EQ(jump_sequence().walker, -1);
    EXPECT_EQ(jump_sequence().phase, 0);
    EXPECT_EQ(jump_sequence().frame, 0);
    EXPECT_EQ(direction(chosen), dir);
    // The ignored clicks drew nothing: the bounces of frame 81 drew the 11th..
    if (chosen != 1) {
        EXPECT_EQ(direction(1), reference_draws(11)[10] & 7);
    }

    frames(1); // frame 101: walking again, from where the jump left it
    const WalkStep step = walk_steps[dir];
    EXPECT_EQ(pos(chosen), (Pos{580 + 5 * step.dx, 100, 870 + 5 * step.dz}));
    EXPECT_EQ(heading(chosen), walk_headings[dir]);
    start_jump(); // a click after the end starts a new jump
    EXPECT_EQ(jump_sequence().phase, 1);
}

TEST_F(SceneTest, JumpInterpolatesEveryAxisTruncatingTowardZero) {
    start();
    const int32_t chosen = reference_draws(10)[9] % 9;
    position(chosen) = Vector4{613, 47, 911, 0};
    start_jump();
    for (int t = 0; t < 19; ++t) {
        frames(1);
        // (target - source) * t / 20, the quotient truncated toward zero.
        const Pos want{613 + (-613 * t) / 20, 47 + (53 * t) / 20, 911 + (-911 * t) / 20};
        ASSERT_EQ(pos(chosen), want) << "t " << t;
    }
    EXPECT_EQ(pos(chosen).x, 62); // t = 18: -613 * 18 / 20 = -551.7 -> -551, not -552
    frames(1);
    EXPECT_EQ(pos(chosen), (Pos{0, 100, 0}));
    frames(50 + 30);
    // Back towards the original source, y included, 29/30 of the way.
    EXPECT_EQ(pos(chosen), (Pos{(613 * 29) / 30, 100 + (-53 * 29) / 30, (911 * 29) / 30}));
}

TEST_F(SceneTest, WalkerLeftBelowTheAreaByAJumpIsBroughtBack) {
    start();
    const int32_t chosen = reference_draws(10)[9] % 9;
    position(chosen) = Vector4{0, 100, 100, 0};
    start_jump();
    frames(100);
    ASSERT_EQ(jump_sequence().walker, -1);
    EXPECT_EQ(pos(chosen).z, 96);
    for (int f = 0; f < 200 && pos(chosen).z < 100; ++f) {
        const int32_t z = pos(chosen).z;
        frames(1);
        // Either the step moved it towards the area or it was undone.
        ASSERT_TRUE(pos(chosen).z == z || pos(chosen).z == z + 5);
    }
    EXPECT_GE(pos(chosen).z, 100);
}

TEST_F(SceneTest, TeardownStopsFramesAndClicks) {
    start();
    frames(2);
    teardown_scene();
    EXPECT_FALSE(scene_active());
    EXPECT_EQ(surface_pixels(), nullptr);
    run_frame(host.get());
    start_jump();
    EXPECT_EQ(frames_drawn(), 2);
    EXPECT_EQ(host->presented(), 2);
    EXPECT_EQ(jump_sequence().walker, -1);
}

TEST_F(SceneTest, FramesWithoutASurfaceStillAdvanceTheScene) {
    start(true, 0, 0);
    EXPECT_EQ(surface_pixels(), nullptr);
    frames(1);
    EXPECT_EQ(pos(0), (Pos{5, 100, 505}));
    EXPECT_EQ(frames_drawn(), 1);
    EXPECT_EQ(host->presented(), 0);
}

TEST_F(SceneTest, SecondSetupStartsFromTheSameState) {
    start();
    frames(5);
    start_jump();
    frames(3);
    const uint32_t first_pixel = surface_pixels()[0];
    teardown_scene();
    random_reset();
    setup_scene(host.get(), assets_->dir());
    EXPECT_EQ(jump_sequence().walker, -1);
    EXPECT_EQ(frames_drawn(), 0);
    EXPECT_EQ(stream_count(STREAM_POSITIONS), 36);
    EXPECT_EQ(current_store()->primitive_count, 18);
    for (int i = 0; i < WALKER_COUNT; ++i) {
        EXPECT_EQ(direction(i), START_DIRECTIONS[i]);
        EXPECT_EQ(position(i).x, 0);
    }
    frames(1);
    EXPECT_EQ(pos(0), (Pos{5, 100, 505}));
    EXPECT_EQ(surface_pixels()[0], first_pixel);
}

} // namespace
} // namespace walkers
