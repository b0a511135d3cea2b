// edge_walk.h - the edge walk shared by the flat and the textured rasteriser.
//
// Two edges leave the top vertex of a clipped polygon (the first vertex in list
// order with the smallest y): the forward edge steps forwards through the list,
// the backward edge backwards, both wrapping. The left edge is the backward one
// when its x slope is smaller, else the forward one, and stays so for the
// whole polygon. Exactly last (= n - 1) steps are made; each one takes the
// edge that ends first (a tie goes to the forward edge):
//   - ending on the current row: fill that row once, move only that edge by its
//     slope, and do not advance the row (the next step fills the row again);
//   - otherwise: fill, move both edges and advance the row until it passes the
//     end row (at least once, even when already below it); then, when the other
//     edge ends on the same row, it turns its corner first.
// Then the chosen edge turns its corner: its slope is recomputed from its old
// end vertex to the next one, and its values carry on from where they are (they
// are never reset to a vertex). With a flat bottom before the last step, the
// left-over steps fill rows below the polygon; the fill callback decides which
// rows exist.
//
// The Policy supplies the per-edge state and arithmetic:
//   using Vertex; using Edge;
//   Edge start(const Vertex& top, const Vertex& end);   // values at top, slope to end
//   void turn(Edge&, const Vertex& from, const Vertex& to);  // new slope only
//   void step(Edge&);                                  // values += slopes
//   int32_t slope_x(const Edge&);
//   void fill(int32_t row, const Edge& left, const Edge& right);
//   // fill rows row, row + 1, ... while row <= last_row (at least one), each
//   // followed by a step of both edges; returns the row after the last:
//   int32_t fill_rows(int32_t row, int32_t last_row, Edge& left, Edge& right);
// fill_rows is where nearly all rows go, so a policy can keep the two edges
// and everything its spans need in locals for the whole run of rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace walkers {

// Extent: the list's length when it is known at compile time (a polygon that
// skipped the clip passes), so that the loops over it unroll.
template <typename Policy, std::size_t Extent = std::dynamic_extent> class EdgeWalk {
public:
    using Vertex = typename Policy::Vertex;
    using Edge = typename Policy::Edge;

    EdgeWalk(std::span<const Vertex, Extent> list, Policy& policy) : list_(list), policy_(policy) {}

    // The two edges live in named locals, the left one and the right one, never
    // in an array indexed per step: an index known only at run time would keep
    // them in memory, and the row loops would reload them. Each step picks the
    // side that ends first by branching, so every path names its edges.
    void run() {
        if (last() < 1) return; // fewer than two vertices: nothing to walk
        const int32_t top = top_vertex();
        Side forwards{policy_.start(at(top), at(next(top, 1))), next(top, 1), 1};
        Side backwards{policy_.start(at(top), at(next(top, -1))), next(top, -1), -1};
        int32_t row = at(top).y;
        // Equal slopes make the forward edge the left one.
        if (policy_.slope_x(backwards.edge) < policy_.slope_x(forwards.edge))
            walk(backwards, forwards, row);
        else
            walk(forwards, backwards, row);
    }

private:
    // One edge and where it runs to: the list index of its end vertex and the
    // direction it steps through the list (+1 forwards, -1 backwards).
    struct Side {
        Edge edge;
        int32_t end;
        int32_t direction;
    };

    // A constant when the extent is.
    int32_t last() const { return static_cast<int32_t>(list_.size()) - 1; }
    const Vertex& at(int32_t i) const { return list_[static_cast<std::size_t>(i)]; }

    // The index after i in the given direction, wrapping round the list.
    int32_t next(int32_t i, int32_t direction) const {
        const int32_t n = i + direction;
        return n < 0 ? last() : n > last() ? 0 : n;
    }

    int32_t top_vertex() const {
        int32_t top = 0;
        for (int32_t i = 1; i <= last(); ++i)
            if (at(i).y < at(top).y) top = i; // only a strictly smaller y replaces it
        return top;
    }

    [[gnu::always_inline]] void walk(Side& left, Side& right, int32_t row) {
        for (int32_t step = 1; step <= last(); ++step) {
            const int32_t left_end = at(left.end).y;
            const int32_t right_end = at(right.end).y;
            // The side that ends first; a tie goes to the forward one.
            const bool left_first =
                left_end < right_end || (left_end == right_end && left.direction > 0);
            const bool last_step = step == last();
            if (left_first) {
                if (!walk_step(left, right, left, right_end, row, last_step)) return;
            } else {
                if (!walk_step(left, right, right, left_end, row, last_step)) return;
            }
        }
    }

    // Fills up to the end row of `first` (one of left and right) and turns its
    // corner, and the other's when it ends on the same row. After the last
    // step's rows nothing reads the edges again, so the moves and corners that
    // would follow them (each corner three divisions) are left out; returns
    // false then.
    [[gnu::always_inline]] bool walk_step(Side& left, Side& right, Side& first,
                                          int32_t other_end_row, int32_t& row, bool last_step) {
        const int32_t y_end = at(first.end).y;
        if (row == y_end) {
            policy_.fill(row, left.edge, right.edge);
            if (last_step) return false;
            policy_.step(first.edge);
        } else {
            row = policy_.fill_rows(row, y_end, left.edge, right.edge);
            if (last_step) return false;
            if (other_end_row == y_end) turn_corner(&first == &left ? right : left);
        }
        turn_corner(first);
        return true;
    }

    void turn_corner(Side& side) {
        const int32_t old_end = side.end;
        side.end = next(old_end, side.direction);
        policy_.turn(side.edge, at(old_end), at(side.end));
    }

    std::span<const Vertex, Extent> list_;
    Policy& policy_;
};

} // namespace walkers
