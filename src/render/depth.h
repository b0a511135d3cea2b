// depth.h - back-face culling, depth keys and far-to-near bucket drawing.
//
// depth_pass sweeps the current store once: primitives flagged PRIM_CULL_BACK
// whose first three screen vertices run anticlockwise are skipped; the rest get a
// key from their vertices' depths (triangles: sum / 3, quads: sum >> 2), kept in
// 16 bits, and go to the head of bucket key when key < 4096 (read unsigned).
// draw_buckets then draws buckets 4095 down to 1 and empties them; bucket 0 is
// never drawn. A record whose indices fall outside the ScreenVertex array, the
// texcoord stream or the colour table is not filed or not drawn; a record whose
// size is neither 40 nor 48 ends the sweep, and a link that does not lead to a
// record ends its list, so nothing is ever read outside the store.
#pragma once

#include <cstdint>

namespace walkers {

int32_t depth_pass();
int32_t draw_buckets();

} // namespace walkers
