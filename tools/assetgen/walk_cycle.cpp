#include "walk_cycle.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace walkers::assetgen {
namespace {

constexpr double HIP_SWING = 18.0;     // legs, each way
constexpr double KNEE_REST = 5.0;      // a knee is never locked straight
constexpr double KNEE_LIFT = 40.0;     // extra bend while the leg swings through
constexpr double FOOT_LEVELLING = 0.8; // share of the leg's pitch the ankle undoes
constexpr double ARM_SWING = 22.0;
constexpr double ARM_SPREAD = 5.0; // arms held a little away from the body
constexpr double ELBOW_REST = 10.0;
constexpr double ELBOW_LIFT = 20.0;
constexpr double HIP_TWIST = 5.0;
constexpr double LEAN = 3.0; // torso forward, head back up

double tenth(double v) {
    return std::round(v * 10.0) / 10.0;
}
Angles angles(double x, double y, double z) {
    return {tenth(x), tenth(y), tenth(z)};
}

// One leg: hip swing s (degrees, + forward), and whether it is swinging through
// (cosine of its phase, > 0 while the foot travels forward).
void set_leg(Pose& pose, int32_t upper, double swing, double through) {
    const double knee = -(KNEE_REST + KNEE_LIFT * std::max(0.0, through));
    pose[upper] = angles(swing, 0, 0);
    pose[upper + 1] = angles(knee, 0, 0);
    pose[upper + 2] = angles(-FOOT_LEVELLING * (swing + knee), 0, 0);
}

// One arm: shoulder swing (+ forward) and roll away from the body (sign per side).
void set_arm(Pose& pose, int32_t upper, double swing, double spread) {
    pose[upper] = angles(swing, 0, spread);
    pose[upper + 1] = angles(ELBOW_REST + ELBOW_LIFT * std::max(0.0, swing / ARM_SWING), 0, 0);
}

} // namespace

Pose walk_pose(int32_t k) {
    const double phase = 2.0 * std::numbers::pi * k / WALK_KEYS;
    const double s = std::sin(phase);
    const double c = std::cos(phase);
    Pose pose{};
    // Hips turn with the forward leg, the torso turns the shoulders against them,
    // and the head turns back to face the way the walker goes.
    pose[HIPS] = angles(0, HIP_TWIST * s, 0);
    pose[TORSO] = angles(-LEAN, -2.0 * HIP_TWIST * s, 0);
    pose[HEAD] = angles(LEAN, HIP_TWIST * s, 0);
    set_leg(pose, UPPER_LEG_L, HIP_SWING * s, c);
    set_leg(pose, UPPER_LEG_R, -HIP_SWING * s, -c);
    set_arm(pose, UPPER_ARM_L, -ARM_SWING * s, ARM_SPREAD); // against the left leg
    set_arm(pose, UPPER_ARM_R, ARM_SWING * s, -ARM_SPREAD);
    return pose;
}

std::vector<Pose> walk_cycle() {
    std::vector<Pose> poses;
    for (int32_t k = 0; k < WALK_KEYS; ++k)
        poses.push_back(walk_pose(k));
    return poses;
}

int32_t degrees_to_angle_units(double degrees) {
    const float parsed = static_cast<float>(degrees);
    const float unit = 2.8444445f;
    return static_cast<int32_t>(std::trunc(static_cast<double>(parsed) * unit));
}

} // namespace walkers::assetgen
