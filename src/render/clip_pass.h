// clip_pass.h - one pass of the polygon clipper, shared by both rasterisers.
//
// The pass walks the m edges k -> k + 1 (the last back to vertex 0) and, per edge:
// both ends inside writes the end; outside -> inside writes the crossing, then the
// end unless the crossing is the end; inside -> outside writes the crossing
// unless it is the start; both outside writes nothing. Since every inside edge
// writes its end vertex, the output starts with vertex 1. There is one "outside"
// state per vertex, so an edge from beyond one side to beyond the other adds
// nothing. Crossings are always computed from the outside end (cross(inside,
// outside)), and the duplicate tests compare x and y only. Writes stop at the
// capacity of `out` (only non-convex input can reach it); returns the count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

namespace walkers {

template <typename Point> bool same_position(const Point& a, const Point& b) {
    return a.x == b.x && a.y == b.y;
}

// `out` is any contiguous list of points (an array or a span).
template <typename PointAt, typename Outside, typename Cross, typename List>
int32_t clip_pass(int32_t m, PointAt point, Outside outside, Cross cross, List& out) {
    using Point = std::remove_cv_t<typename List::value_type>;
    const auto capacity = static_cast<int32_t>(out.size());
    int32_t count = 0;
    auto write = [&](const Point& p) {
        if (count < capacity) out[static_cast<std::size_t>(count++)] = p;
    };
    for (int32_t k = 0; k < m; ++k) {
        const Point s = point(k);
        const Point e = point(k + 1 == m ? 0 : k + 1);
        const bool s_out = outside(s);
        const bool e_out = outside(e);
        if (!s_out && !e_out) {
            write(e);
        } else if (s_out && !e_out) {
            const Point p = cross(e, s);
            write(p);
            if (!same_position(p, e)) write(e);
        } else if (!s_out && e_out) {
            const Point p = cross(s, e);
            if (!same_position(p, s)) write(p);
        }
    }
    return count;
}

} // namespace walkers
