// edge_walk.h - the edge walk shared by the flat and the textured rasteriser.
//
// Two edges leave the top vertex of a clipped polygon (the first vertex in list
// order with the smallest y): edge 0 steps forwards through the list, edge 1
// backwards, both wrapping. The left edge is edge 1 when its x slope is smaller,
// else edge 0, and stays so for the whole polygon. Exactly last (= n - 1) steps
// are made; each one takes the edge that ends first (a tie goes to edge 0):
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

    void run() {
        if (last() < 1) return; // fewer than two vertices: nothing to walk
        const int32_t top = top_vertex();
        end_[0] = top + 1 > last() ? 0 : top + 1;
        end_[1] = top - 1 < 0 ? last() : top - 1;
        for (int32_t e = 0; e < 2; ++e)
            edge_[e] = policy_.start(at(top), at(end_[e]));
        // Equal slopes make edge 0 the left one.
        left_ = policy_.slope_x(edge_[1]) < policy_.slope_x(edge_[0]) ? 1 : 0;
        right_ = 1 - left_;
        row_ = at(top).y;
        for (int32_t step = 1; step <= last(); ++step)
            walk_step(step == last());
    }

private:
    // A constant when the extent is.
    int32_t last() const { return static_cast<int32_t>(list_.size()) - 1; }
    const Vertex& at(int32_t i) const { return list_[static_cast<std::size_t>(i)]; }

    int32_t top_vertex() const {
        int32_t top = 0;
        for (int32_t i = 1; i <= last(); ++i)
            if (at(i).y < at(top).y) top = i; // only a strictly smaller y replaces it
        return top;
    }

    void fill() { policy_.fill(row_, edge_[left_], edge_[right_]); }

    // After the last step's rows nothing reads the edges again, so the moves and
    // corners that would follow them (each corner three divisions) are left out.
    void walk_step(bool last_step) {
        const int32_t e = at(end_[0]).y > at(end_[1]).y ? 1 : 0;
        const int32_t y_end = at(end_[e]).y;
        if (row_ == y_end) {
            fill();
            if (last_step) return;
            policy_.step(edge_[e]);
        } else {
            row_ = policy_.fill_rows(row_, y_end, edge_[left_], edge_[right_]);
            if (last_step) return;
            if (at(end_[1 - e]).y == y_end) turn_corner(1 - e);
        }
        turn_corner(e);
    }

    void turn_corner(int32_t e) {
        const int32_t old_end = end_[e];
        int32_t next = old_end + (e == 0 ? 1 : -1);
        if (next < 0) next = last();
        if (next > last()) next = 0;
        end_[e] = next;
        policy_.turn(edge_[e], at(old_end), at(next));
    }

    std::span<const Vertex, Extent> list_;
    Policy& policy_;
    int32_t end_[2] = {0, 0};
    Edge edge_[2] = {};
    int32_t left_ = 0;
    int32_t right_ = 1;
    int32_t row_ = 0;
};

} // namespace walkers
