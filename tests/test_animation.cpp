// Animation files and playback: poses shown per step, degree conversion, the
// blend, replaying keys, and files that must not make a playable record.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "assets/animation.h"
#include "assets/model.h"
#include "fresh_state.h"

using namespace walkers;

namespace {

struct Key {
    int32_t duration;
    int32_t next;
    int32_t pose;
};
using Degrees = std::array<float, 4>;

std::string float_text(float f) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(f));
    return buffer;
}

std::string head_section(int32_t keys, int32_t parts, int32_t poses) {
    return "SEC_ANIM_HEAD: 1 IIII " + std::to_string(keys) + " 5 " + std::to_string(parts) + " " +
           std::to_string(poses) + " end\n";
}

std::string seek_section(const std::vector<Key>& keys) {
    std::string text = "SEC_ANIM_SEEK: " + std::to_string(keys.size()) + " IIIIV\n";
    for (const Key& k : keys)
        text += std::to_string(k.duration) + " 0 " + std::to_string(k.next) + " " +
                std::to_string(k.pose) + " 1.9 -2.7 0 3\n";
    return text + "end\n";
}

std::string dat_section(const std::vector<Degrees>& records) {
    std::string text = "SEC_ANIM_DAT: " + std::to_string(records.size()) + " V\n";
    for (const Degrees& d : records)
        text += float_text(d[0]) + " " + float_text(d[1]) + " " + float_text(d[2]) + " " +
                float_text(d[3]) + "\n";
    return text + "end\n";
}

std::string animation_text(int32_t parts, int32_t poses, const std::vector<Key>& keys,
                           const std::vector<Degrees>& records) {
    return head_section(static_cast<int32_t>(keys.size()), parts, poses) + seek_section(keys) +
           dat_section(records);
}

class Animation : public walkers::testing::FreshState {
protected:
    // A model in slot 0 with `parts` parts, every rotation set to a marker.
    static void make_model(int32_t parts, int32_t room = -1) {
        ASSERT_EQ(create_model_slot(room < 0 ? parts : room), 0);
        for (int32_t p = 0; p < parts; ++p) {
            ASSERT_EQ(add_part(0, 0, 0, 0), p);
            *part_rotation(0, p) = MARK;
        }
    }
    static Vector4 shown(int32_t p = 0) { return *part_rotation(0, p); }
    static std::array<int32_t, 3> xyz(const Vector4& v) { return {v.x, v.y, v.z}; }

    static constexpr Vector4 MARK{7777, 7777, 7777, 7777};
};

} // namespace

TEST_F(Animation, TwoKeysSwingBetweenTheirPoses) {
    make_model(1);
    // Pose A = (90, 180, -90) degrees = (256, 512, -256); B = (45, 0, 30) = (128, 0, 85).
    const std::string text =
        animation_text(1, 2, {{4, 1, 0}, {2, 0, 1}}, {{90, 180, -90, 0}, {45, 0, 30, 0}});
    ASSERT_EQ(load_animation_text(text.c_str(), 0), 0);
    const AnimationSlot* a = animation_slot(0);
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(a->complete);
    EXPECT_EQ(a->frame_counter, 9999);
    EXPECT_EQ(a->head_value, 5);
    EXPECT_EQ(a->keys[0].values[0], 1);
    EXPECT_EQ(a->keys[0].values[1], -2);

    const std::vector<std::array<int32_t, 3>> expected = {
        {128, 0, 85},     // key 1, w = 0: B exactly
        {192, 256, 938},  // key 1, w = 512: halfway to A
        {256, 512, 768},  // key 0, w = 0: A, -256 wrapped
        {224, 384, 853},  // w = 256 towards B
        {192, 256, 938},  // w = 512
        {160, 128, 1023}, // w = 768
        {128, 0, 85},     // key 1 again
        {192, 256, 938},  {256, 512, 768},
    };
    for (size_t step = 0; step < expected.size(); ++step) {
        animation_step(0);
        EXPECT_EQ(xyz(shown()), expected[step]) << "step " << step;
        if (step == 0) {
            EXPECT_EQ(a->frame_counter, 1);
            EXPECT_EQ(a->current, 1);
        }
    }
    EXPECT_EQ(shown().w, MARK.w); // w is never written
}

TEST_F(Animation, DegreesBecomeAngleUnits) {
    EXPECT_EQ(degrees_to_angle(90.0f), 256);
    EXPECT_EQ(degrees_to_angle(45.0f), 128);
    EXPECT_EQ(degrees_to_angle(30.0f), 85);
    EXPECT_EQ(degrees_to_angle(-30.0f), -85);
    EXPECT_EQ(degrees_to_angle(360.0f), 1024);
    EXPECT_EQ(degrees_to_angle(1e30f), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(degrees_to_angle(-INFINITY), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(degrees_to_angle(NAN), 0);

    make_model(1);
    // One key showing 90, -90 and -30 degrees; huge angles blend without overflow.
    const std::string text =
        animation_text(1, 2, {{3, 1, 0}, {3, 0, 1}}, {{90, -90, -30, 0}, {1e30f, -1e30f, 0, 0}});
    load_animation_text(text.c_str(), 0);
    for (int32_t step = 0; step < 3; ++step)
        animation_step(0);
    animation_step(0);
    EXPECT_EQ(xyz(shown()), (std::array<int32_t, 3>{256, 768, 939}));
    animation_step(0);
    for (int32_t v : xyz(shown()))
        EXPECT_TRUE(v >= 0 && v <= 1023);
}

TEST_F(Animation, BlendWrapsAfterMixingRawAngles) {
    make_model(1);
    // 351.5625 degrees is 1000 units, 7.03125 degrees 20.
    const std::string text =
        animation_text(1, 2, {{2, 1, 0}, {2, 0, 1}}, {{351.5625f, 0, 0, 0}, {7.03125f, 0, 0, 0}});
    load_animation_text(text.c_str(), 0);
    animation_step(0);
    EXPECT_EQ(shown().x, 20);
    animation_step(0); // from 1000 towards 20 with w = 512
    EXPECT_EQ(shown().x, 510);
}

TEST_F(Animation, PosesHoldPartsInOrder) {
    make_model(2);
    const std::string text =
        animation_text(2, 2, {{2, 1, 0}, {2, 0, 1}},
                       {{90, 0, 0, 0}, {0, 90, 0, 0}, {45, 45, 45, 0}, {0, 0, 180, 360}});
    load_animation_text(text.c_str(), 0);
    const AnimationSlot* a = animation_slot(0);
    ASSERT_EQ(a->poses.size(), 4u);
    EXPECT_EQ(a->poses[1].y, 256); // pose 0, part 1
    EXPECT_EQ(a->poses[3].w, 1024);
    EXPECT_EQ(a->from_pose[1].y, 256); // key 0's pose, saved at load
    animation_step(0);                 // key 1: pose 1
    EXPECT_EQ(xyz(shown(0)), (std::array<int32_t, 3>{128, 128, 128}));
    EXPECT_EQ(xyz(shown(1)), (std::array<int32_t, 3>{0, 0, 512}));
}

TEST_F(Animation, KeyWithoutNextPlaysAgain) {
    make_model(1);
    const std::string text =
        animation_text(1, 2, {{2, 1, 0}, {2, -1, 1}}, {{90, 0, 0, 0}, {0, 0, 0, 0}});
    load_animation_text(text.c_str(), 0);
    const AnimationSlot* a = animation_slot(0);
    EXPECT_EQ(a->keys[1].next, NO_KEY);
    const int32_t expected_x[] = {0, 128, 0, 0, 0, 0};
    for (int32_t x : expected_x) {
        animation_step(0);
        EXPECT_EQ(shown().x, x);
        EXPECT_EQ(a->current, 1);
    }
    EXPECT_EQ(a->frame_counter, 2);
}

TEST_F(Animation, ShortAndLongDurations) {
    make_model(1);
    // Durations 0 and -5 take one step each, showing their own pose.
    std::string text = animation_text(1, 3, {{1, 1, 0}, {0, 2, 1}, {-5, 0, 2}},
                                      {{10, 0, 0, 0}, {20, 0, 0, 0}, {30, 0, 0, 0}});
    load_animation_text(text.c_str(), 0);
    const int32_t expected_x[] = {56, 85, 28, 56, 85, 28};
    for (int32_t x : expected_x) {
        animation_step(0);
        EXPECT_EQ(shown().x, x);
    }
    // A key longer than the loaded frame counter starts by blending key 0 with itself.
    text = animation_text(1, 1, {{2147483647, 0, 0}}, {{90, 0, 0, 0}});
    load_animation_text(text.c_str(), 0);
    for (int32_t step = 0; step < 3; ++step)
        animation_step(0);
    EXPECT_EQ(shown().x, 256);
    EXPECT_EQ(animation_slot(0)->frame_counter, 10002);
}

TEST_F(Animation, ReloadingReplacesTheRecord) {
    make_model(1);
    std::string text = animation_text(1, 1, {{2, 0, 0}}, {{90, 0, 0, 0}});
    load_animation_text(text.c_str(), 0);
    text = animation_text(3, 1, {{2, 0, 0}}, {{45, 0, 0, 0}, {1, 1, 1, 1}, {2, 2, 2, 2}});
    EXPECT_EQ(load_animation_text(text.c_str(), 0), 0);
    EXPECT_EQ(animation_slot(0)->parts, 3);
    animation_step(0);
    EXPECT_EQ(shown().x, 128);

    // A file with no head leaves the entry empty; steps then do nothing.
    load_animation_text("OTHER: 1 I 5", 0);
    EXPECT_EQ(animation_slot(0), nullptr);
    *part_rotation(0, 0) = MARK;
    animation_step(0);
    EXPECT_EQ(xyz(shown()), xyz(MARK));
    EXPECT_EQ(load_animation_text("", 16), -1);
    EXPECT_EQ(load_animation_text("", -1), -1);
    animation_step(16); // out of range: nothing
}

TEST_F(Animation, StepsWriteOnlyTheModelsParts) {
    make_model(1, 3); // room for three, one added
    const std::string text =
        animation_text(3, 1, {{2, 0, 0}}, {{90, 0, 0, 0}, {90, 0, 0, 0}, {90, 0, 0, 0}});
    load_animation_text(text.c_str(), 0);
    animation_step(0);
    EXPECT_EQ(shown(0).x, 256);
    EXPECT_EQ(model_slot(0)->parts[1].rotation.x, 0); // beyond part_count: untouched

    // Slot 1 holds no model: the animation still advances.
    load_animation_text(text.c_str(), 1);
    animation_step(1);
    animation_step(1);
    EXPECT_EQ(animation_slot(1)->frame_counter, 2);
}

TEST_F(Animation, BrokenFilesMakeNoPlayableRecord) {
    make_model(1);
    const std::string seek = seek_section({{2, 0, 0}});
    const std::string dat = dat_section({{90, 0, 0, 0}});
    struct Case {
        const char* what;
        std::string text;
        bool record;
    };
    const std::vector<Case> cases = {
        {"keys and poses before the head", seek + dat + head_section(1, 1, 1), true},
        {"no pose section", head_section(1, 1, 1) + seek, true},
        {"no keys", head_section(0, 1, 1) + dat, true},
        {"pose index past the poses", head_section(1, 1, 1) + seek_section({{2, 0, 1}}) + dat,
         true},
        {"negative pose index", head_section(1, 1, 1) + seek_section({{2, 0, -1}}) + dat, true},
        {"next key past the keys", head_section(1, 1, 1) + seek_section({{2, 3, 0}}) + dat, true},
        {"next key -2", head_section(1, 1, 1) + seek_section({{2, -2, 0}}) + dat, true},
        {"reachable key never defined", head_section(2, 1, 1) + seek_section({{2, 1, 0}}) + dat,
         true},
        {"keys beyond the room", head_section(8960, 1, 1) + seek + dat, false},
        {"poses beyond the room", head_section(1, 1, 17920) + seek + dat, false},
        {"parts beyond the room", head_section(1, 1 << 28, 16) + seek + dat, false},
        {"parts and poses whose product overflows",
         head_section(1, 2147483647, 2147483647) + seek + dat, false},
        {"negative parts", head_section(1, -1, 1) + seek + dat, false},
        {"negative poses", head_section(1, 1, -1) + seek + dat, false},
        {"head without records", "SEC_ANIM_HEAD: 0 IIII end\n" + seek + dat, false},
        {"head record too short", "SEC_ANIM_HEAD: 1 II 1 0 end\n" + seek + dat, false},
    };
    for (const Case& c : cases) {
        load_animation_text(c.text.c_str(), 0);
        const AnimationSlot* a = animation_slot(0);
        EXPECT_EQ(a != nullptr, c.record) << c.what;
        if (a != nullptr) {
            EXPECT_FALSE(a->complete) << c.what;
        }
        *part_rotation(0, 0) = MARK;
        animation_step(0);
        EXPECT_EQ(xyz(shown()), xyz(MARK)) << c.what;
    }
    // The largest head that fits: 8959 keys and one one-part pose with from_pose.
    load_animation_text((head_section(8959, 1, 1) + seek + dat).c_str(), 0);
    EXPECT_EQ(animation_slot(0)->keys.size(), 8959u);
    EXPECT_TRUE(animation_slot(0)->complete); // key 0 loops to itself
    // A broken key that playback never reaches does not matter.
    load_animation_text(
        (head_section(2, 1, 1) + seek_section({{2, 0, 0}, {2, 9, 9}}) + dat).c_str(), 0);
    EXPECT_TRUE(animation_slot(0)->complete);
}

TEST_F(Animation, LoadsFromFiles) {
    const std::filesystem::path dir = enter_scratch_dir();
    std::ofstream(dir / "an.txt") << animation_text(1, 1, {{2, 0, 0}}, {{90, 0, 0, 0}});
    make_model(1);
    EXPECT_EQ(load_animation((dir / "an.txt").string(), 0), 0);
    animation_step(0);
    EXPECT_EQ(shown().x, 256);

    const walkers::testing::HeardProblems heard;
    EXPECT_EQ(load_animation((dir / "missing.txt").string(), 0), 0);
    EXPECT_EQ(heard.log().unreadable_files(),
              std::vector<std::string>{(dir / "missing.txt").string()});
    EXPECT_EQ(animation_slot(0), nullptr);
}
