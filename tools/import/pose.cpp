#include "pose.h"

#include <algorithm>

namespace walkers::import {
namespace {

// The keys around `tick` and how far between them it lies.
template <typename Key>
std::pair<std::size_t, double> bracket(const std::vector<Key>& keys, double tick) {
    const auto after = std::upper_bound(keys.begin(), keys.end(), tick,
                                        [](double t, const Key& k) { return t < k.tick; });
    if (after == keys.begin()) return {0, 0};
    const auto i = static_cast<std::size_t>(after - keys.begin()) - 1;
    if (i + 1 >= keys.size()) return {i, 0};
    const double span = keys[i + 1].tick - keys[i].tick;
    return {i, span > 0 ? std::clamp((tick - keys[i].tick) / span, 0.0, 1.0) : 0.0};
}

Vec3 sample(const std::vector<VecKey>& keys, double tick, Vec3 rest) {
    if (keys.empty()) return rest;
    const auto [i, t] = bracket(keys, tick);
    if (t == 0) return keys[i].value;
    return keys[i].value + t * (keys[i + 1].value - keys[i].value);
}

Quat sample(const std::vector<QuatKey>& keys, double tick, Quat rest) {
    if (keys.empty()) return rest;
    const auto [i, t] = bracket(keys, tick);
    if (t == 0) return keys[i].value;
    return slerp(keys[i].value, keys[i + 1].value, t);
}

Affine placement(Vec3 position, Quat rotation, Vec3 scale) {
    Mat3 s;
    s.m = {{{scale.x, 0, 0}, {0, scale.y, 0}, {0, 0, scale.z}}};
    return {rotation_of(rotation) * s, position};
}

} // namespace

Mat3 turn_from_rest(const SourceScene& scene, const std::vector<Affine>& placements, int32_t node) {
    const auto n = static_cast<std::size_t>(node);
    return rotation_part(placements[n].linear) *
           transpose(rotation_part(scene.nodes[n].global.linear));
}

double clip_seconds(const SourceClip* clip) {
    return clip ? clip->duration_ticks / clip->ticks_per_second : 0.0;
}

std::vector<Affine> node_placements(const SourceScene& scene, const SourceClip* clip,
                                    double seconds) {
    std::vector<const Channel*> channel(scene.nodes.size(), nullptr);
    if (clip)
        for (const Channel& c : clip->channels)
            if (c.node >= 0 && static_cast<std::size_t>(c.node) < channel.size())
                channel[static_cast<std::size_t>(c.node)] = &c;
    const double tick = clip ? seconds * clip->ticks_per_second : 0.0;
    std::vector<Affine> out(scene.nodes.size());
    for (std::size_t i = 0; i < scene.nodes.size(); ++i) {
        const SourceNode& n = scene.nodes[i];
        if (!channel[i]) {
            out[i] =
                n.parent < 0 ? n.local : compose(out[static_cast<std::size_t>(n.parent)], n.local);
            continue;
        }
        const Channel& c = *channel[i];
        const Affine local =
            placement(sample(c.position, tick, n.position), sample(c.rotation, tick, n.rotation),
                      sample(c.scaling, tick, n.scale));
        out[i] = n.parent < 0 ? local : compose(out[static_cast<std::size_t>(n.parent)], local);
    }
    return out;
}

} // namespace walkers::import
