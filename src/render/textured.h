// textured.h - the affine texture-mapping rasteriser.
//
// Same clipping and edge walk as the flat rasteriser, with u and v (8.8, 256 per
// texture repeat) carried along; both clip passes divide by the difference made
// one larger in magnitude. Spans step u and v by (difference * recip_table[count])
// and wrap through the texture's power-of-two masks, so every texel index lies
// inside the texture. A texture slot that holds no texture draws nothing.
#pragma once

#include <cstdint>
#include <span>

#include "geometry/fixed.h"

namespace walkers {

constexpr int32_t TEXTURED_CLIP_CAPACITY = 16;

void draw_textured_triangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                            const Vector4& uv_a, const Vector4& uv_b, const Vector4& uv_c,
                            int32_t texture);
void draw_textured_quad(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                        const ScreenVertex& d, const Vector4& uv_a, const Vector4& uv_b,
                        const Vector4& uv_c, const Vector4& uv_d, int32_t texture);
// The shared core; vertices[i] belongs with uvs[i], n = vertices.size() (3 or 4).
void rasterise_textured(std::span<const ScreenVertex* const> vertices,
                        std::span<const Vector4* const> uvs, int32_t texture);

} // namespace walkers
