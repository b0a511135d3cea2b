// textured.h - the affine texture-mapping rasteriser.
//
// Same clipping and edge walk as the flat rasteriser, with u and v (8.8, 256 per
// texture repeat) carried along; both clip passes divide by the difference made
// one larger in magnitude. Spans step u and v by (difference * recip_table[count])
// and wrap through the texture's power-of-two masks, so every texel index lies
// inside the texture. A texture slot that holds no texture draws nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "geometry/fixed.h"
#include "render/raster.h"
#include "render/span_fill.h"

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
                        std::span<const Vector4* const> uvs, int32_t texture,
                        ClipRoute route = ClipRoute::Automatic);

// A texture slot's texels and addressing values (span_fill.h), and its width
// and height shifts for the span steps.
struct TextureAddress {
    TexelSource texels;
    int32_t width_shift;
    int32_t height_shift;
};

// Textured polygons drawn one after another with what they share read once:
// the frame surface and the clip limits when the painter is made, a texture
// slot's size and texels when a polygon names another slot than the polygon
// before it. Neither may change
// while the painter is in use; the depth pass makes one for each frame's
// drawing. Its three entries draw exactly as the three above, which make one
// for their one polygon.
class TexturedPainter {
public:
    TexturedPainter();
    void triangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
                  const Vector4& uv_a, const Vector4& uv_b, const Vector4& uv_c, int32_t texture);
    void quad(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c,
              const ScreenVertex& d, const Vector4& uv_a, const Vector4& uv_b, const Vector4& uv_c,
              const Vector4& uv_d, int32_t texture);
    void polygon(std::span<const ScreenVertex* const> vertices, std::span<const Vector4* const> uvs,
                 int32_t texture, ClipRoute route = ClipRoute::Automatic);

private:
    const TextureAddress* texture(int32_t slot);
    template <std::size_t Extent>
    void rasterise(std::span<const ScreenVertex* const, Extent> vertices,
                   std::span<const Vector4* const, Extent> uvs, int32_t slot, ClipRoute route);

    RasterTarget target_;
    const int32_t* recips_;
    // The slot looked up last, and what it held (consecutive polygons mostly
    // share a texture: they are parts of one walker).
    int32_t slot_ = -1;
    bool usable_ = false;
    TextureAddress texture_{};
};

} // namespace walkers
