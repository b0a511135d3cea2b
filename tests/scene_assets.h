// scene_assets.h - a small, complete asset folder written by the scene tests.
//
// One model file naming one mesh of two quads (one of each winding, so one
// faces the viewer whatever the heading), a two-key animation, and the three
// start-up textures as 8x8 16-bit BMPs of distinct solid colours. Each folder is
// a ScratchDir: unique to the process and removed by the destructor.
#pragma once

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fresh_state.h"
#include "frontend/snapshot.h"

namespace walkers::testing {

inline void write_file(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline void write_text(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class MeshBytes {
public:
    void i16(int16_t v) {
        bytes.push_back(static_cast<uint8_t>(v));
        bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
    }
    void u32(uint32_t v) {
        for (int k = 0; k < 4; ++k)
            bytes.push_back(static_cast<uint8_t>(v >> (8 * k)));
    }
    void f32(float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        u32(bits);
    }
    std::vector<uint8_t> bytes;
};

// A 150 x 300 unit panel standing on the model's origin, as two quads.
inline std::vector<uint8_t> panel_mesh() {
    MeshBytes m;
    const uint32_t positions_size = 8 + 4 * 12;
    const uint32_t quads_size = 8 + 2 * 8;
    m.i16(0);
    m.i16(0);
    m.u32(8 + positions_size + quads_size);
    m.i16(100); // positions
    m.i16(4);
    m.u32(positions_size);
    const float corners[4][3] = {{-0.5f, -1, 0}, {0.5f, -1, 0}, {0.5f, 0, 0}, {-0.5f, 0, 0}};
    for (const auto& c : corners) {
        for (float v : c)
            m.f32(v);
    }
    m.i16(102); // quads, both windings
    m.i16(2);
    m.u32(quads_size);
    for (int16_t i : {0, 1, 2, 3, 3, 2, 1, 0})
        m.i16(i);
    return m.bytes;
}

constexpr const char* MODEL_TEXT = "SEC_M_HEAD: 1 IVVV\n"
                                   "1  0 0 0 0  0 0 0 0  1 1 1 1\n"
                                   "end\n"
                                   "SEC_M_OBJ: 1 S\n"
                                   "panel.bin\n"
                                   "end\n"
                                   "SEC_M_BORN: 1 IIVVVV\n"
                                   "0 0  0 0 0 0  0 0 0 0  0 0 0 0  0 0 0 0\n"
                                   "end\n";

constexpr const char* ANIMATION_TEXT = "SEC_ANIM_HEAD: 1 IIII\n"
                                       "2 0 1 2\n"
                                       "end\n"
                                       "SEC_ANIM_SEEK: 2 IIIIV\n"
                                       "4 0 1 0  0 0 0 0\n"
                                       "2 0 0 1  0 0 0 0\n"
                                       "end\n"
                                       "SEC_ANIM_DAT: 2 V\n"
                                       "0 0 0 0\n"
                                       "0 30 0 0\n"
                                       "end\n";

// Solid colours of ome16.bmp, buki16.bmp and ho16.bmp.
constexpr uint16_t TEXTURE_COLOURS[3] = {0x7c00, 0x03e0, 0x001f};

class AssetFolder {
public:
    explicit AssetFolder(const std::string& tag, bool with_model = true) : folder_(tag) {
        const char* names[3] = {"ome16.bmp", "buki16.bmp", "ho16.bmp"};
        for (int t = 0; t < 3; ++t) {
            const std::vector<uint16_t> texels(64, TEXTURE_COLOURS[t]);
            write_file(path() / names[t], encode_bmp16(texels, 8, 8));
        }
        if (with_model) {
            write_text(path() / "mdt.txt", MODEL_TEXT);
            write_file(path() / "panel.bin", panel_mesh());
        }
        write_text(path() / "an.txt", ANIMATION_TEXT);
    }

    const std::filesystem::path& path() const { return folder_.path(); }
    std::string dir() const { return folder_.dir(); }

private:
    ScratchDir folder_;
};

} // namespace walkers::testing
