// span_fill.cpp - the wide texel fill, for long spans.
#include "render/span_fill.h"

namespace walkers {

void fill_texels_wide(std::span<uint16_t> pixels, std::size_t start, std::size_t count,
                      const TexelSource& source, const TexelStep& step) {
    using namespace span_detail;
    Lanes u = low_16_bits(step.u) + LANE_NUMBERS * low_16_bits(step.du);
    Lanes v = low_16_bits(step.v) + LANE_NUMBERS * low_16_bits(step.dv);
    const uint16_t u_mask = low_16_bits(source.u_mask);
    const uint16_t v_mask = low_16_bits(source.v_mask);
    const int32_t row_shift = source.row_shift;
    const uint16_t* texels = source.texels;
    const auto group_at = [&] {
        const Lanes index = ((v & v_mask) >> row_shift) + ((u >> 8) & u_mask);
        return Lanes{texels[index[0]], texels[index[1]], texels[index[2]], texels[index[3]],
                     texels[index[4]], texels[index[5]], texels[index[6]], texels[index[7]]};
    };
    uint16_t* out = pixels.data() + start;
    if (count > SPAN_GROUP) {
        const uint16_t du_group = low_16_bits(wrap_mul(step.du, static_cast<int32_t>(SPAN_GROUP)));
        const uint16_t dv_group = low_16_bits(wrap_mul(step.dv, static_cast<int32_t>(SPAN_GROUP)));
        for (; count > SPAN_GROUP; count -= SPAN_GROUP, out += SPAN_GROUP) {
            store_group(out, group_at());
            u += du_group;
            v += dv_group;
        }
    }
    store_first(out, group_at(), count);
}

} // namespace walkers
