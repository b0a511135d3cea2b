// Model files: the load counter, head values, parts in object-list order, bone
// poses, ignored sections, a full table, and files that name too much.
#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "assets/model.h"
#include "assets/model_file.h"
#include "fresh_state.h"
#include "render/store.h"
#include "render/texture_table.h"

using namespace walkers;
namespace fs = std::filesystem;

namespace {

constexpr int32_t INT_MAX32 = std::numeric_limits<int32_t>::max();

// A mesh file of `vertices` positions and, when asked, one triangle.
std::vector<uint8_t> mesh_bytes(int32_t vertices, bool triangle) {
    std::vector<uint8_t> b(8, 0);
    auto put16 = [&b](int32_t v) {
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto put32 = [&b](uint32_t v) {
        for (int k = 0; k < 4; ++k)
            b.push_back(static_cast<uint8_t>(v >> (8 * k)));
    };
    put16(100);
    put16(vertices);
    put32(static_cast<uint32_t>(8 + 12 * vertices));
    for (int32_t k = 0; k < 3 * vertices; ++k)
        put32(std::bit_cast<uint32_t>(0.5f * k));
    if (triangle) {
        put16(101);
        put16(1);
        put32(14);
        put16(0);
        put16(0);
        put16(0);
    }
    const uint32_t total = static_cast<uint32_t>(b.size());
    for (int k = 0; k < 4; ++k)
        b[4 + k] = static_cast<uint8_t>(total >> (8 * k));
    return b;
}

std::string head(const std::string& values) {
    return "SEC_M_HEAD: 1 IVVV " + values + " end\n";
}
const std::string HEAD3 = head("3  0 0 0 0  0 0 0 0  1 1 1 0");

std::string objects(const std::vector<std::string>& names) {
    std::string text = "SEC_M_OBJ: " + std::to_string(names.size()) + " S";
    for (const std::string& n : names)
        text += " " + n;
    return text + " end\n";
}

std::string bone(int32_t pop, const std::string& translation, const std::string& rotation) {
    return std::to_string(pop) + " 0 " + translation + " " + rotation + " 0 0 0 0 0 0 0 0\n";
}
std::string bones(const std::vector<std::string>& records) {
    std::string text = "SEC_M_BORN: " + std::to_string(records.size()) + " IIVVVV\n";
    for (const std::string& r : records)
        text += r;
    return text + "end\n";
}

class ModelFile : public walkers::testing::FreshState {
protected:
    void SetUp() override {
        FreshState::SetUp();
        dir = enter_scratch_dir(); // mesh names are relative to the working directory
        write("m1.bin", mesh_bytes(1, false));
        write("m2.bin", mesh_bytes(2, false));
        write("m3.bin", mesh_bytes(3, false));
        write("tri.bin", mesh_bytes(3, true));
        bind_streams();
    }

    void write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        std::ofstream out(dir / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }
    static std::vector<int32_t> vertex_counts(int32_t model) {
        std::vector<int32_t> counts;
        const ModelSlot* slot = model_slot(model);
        for (int32_t p = 0; p < slot->part_count; ++p)
            counts.push_back(slot->parts[p].vertex_count);
        return counts;
    }
    static std::vector<int32_t> xyz(const Vector4& v) { return {v.x, v.y, v.z}; }

    fs::path dir;
};

} // namespace

TEST_F(ModelFile, LoadCounterStepsBeforeTheMeshesLoad) {
    const std::string text = head("1 0 0 0 0 0 0 0 0 1 1 1 0") + objects({"tri.bin"});
    for (int32_t expected : {1, 2, 0, 1}) {
        const int32_t before = current_store()->write_cursor;
        load_model_text(text.c_str());
        EXPECT_EQ(model_load_counter(), expected);
        // The mesh's plain triangle takes the counter as its texture slot.
        EXPECT_EQ(primitive_at(before).texture, expected);
    }
}

TEST_F(ModelFile, HeadCreatesAndPlacesTheSlot) {
    const int32_t model = load_model_text(head("3  0 0.9 -2.5 7  0 256 0 7  1 1 1 7").c_str());
    ASSERT_EQ(model, 0);
    const ModelSlot* slot = model_slot(model);
    EXPECT_EQ(slot->part_count, 0);
    EXPECT_EQ(slot->parts.size(), 3u);
    EXPECT_EQ(xyz(slot->position), (std::vector<int32_t>{0, 0, -2}));
    EXPECT_EQ(slot->position.w, 0); // w is not the file's
    EXPECT_EQ(xyz(slot->rotation), (std::vector<int32_t>{0, 256, 0}));
    EXPECT_EQ(xyz(slot->scale), (std::vector<int32_t>{1, 1, 1}));

    EXPECT_EQ(load_model_text(head("1 0 0 0 0 0 0 0 0 2.9 1 1 0").c_str()), 1);
    EXPECT_EQ(xyz(*model_scale(1)), (std::vector<int32_t>{2, 1, 1}));
    // Floats beyond the integer range saturate; NaN reads 0.
    EXPECT_EQ(load_model_text(head("1 1e30 -1e30 nan 0 inf 0 0 0 1 1 1 0").c_str()), 2);
    EXPECT_EQ(xyz(*model_position(2)), (std::vector<int32_t>{INT_MAX32, -INT_MAX32 - 1, 0}));
    EXPECT_EQ(model_rotation(2)->x, INT_MAX32);
}

TEST_F(ModelFile, ObjectListAndBonesBuildTheParts) {
    const std::string text =
        HEAD3 + objects({"m1.bin", "m2.bin", "m3.bin"}) + "SEC_M_HIT: 1 I 4 end\n" +
        bones({bone(1, "0 -150.7 12 0", "0.5 0 -0.25 0"), bone(2, "1.9 0 0 0", "1 2 3.3 0"),
               bone(0, "0 0 0 0", "0 0 0 0")});
    const int32_t model = load_model_text(text.c_str());
    ASSERT_EQ(model, 0);
    const ModelSlot* slot = model_slot(model);
    EXPECT_EQ(vertex_counts(model), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(slot->parts[1].first_vertex, slot->parts[0].first_vertex + 1);
    EXPECT_EQ(slot->parts[2].first_vertex, slot->parts[0].first_vertex + 3);

    const ModelPart& p0 = slot->parts[0];
    EXPECT_EQ(p0.pop_count, 1);
    EXPECT_EQ(xyz(p0.translation), (std::vector<int32_t>{0, -150, 12}));
    EXPECT_EQ(xyz(p0.rotation), (std::vector<int32_t>{150, 0, -75}));
    EXPECT_EQ(xyz(p0.scale), (std::vector<int32_t>{1, 1, 1}));
    EXPECT_EQ(slot->parts[1].pop_count, 2);
    EXPECT_EQ(xyz(slot->parts[1].translation), (std::vector<int32_t>{1, 0, 0}));
    // 3.3 as a float is a little below 3.3: the exact product truncates to 989.
    EXPECT_EQ(xyz(slot->parts[1].rotation), (std::vector<int32_t>{300, 600, 989}));

    // Without the bone section every part keeps pop count 0; the hit section
    // changes nothing, wherever it stands.
    const int32_t plain = load_model_text((HEAD3 + "SEC_M_HIT: 2 VS 1 2 3 4 x 5 6 7 8 y end\n" +
                                           objects({"m1.bin", "m2.bin", "m3.bin"}))
                                              .c_str());
    ASSERT_EQ(plain, 1);
    for (const ModelPart& part : model_slot(plain)->parts)
        EXPECT_EQ(part.pop_count, 0);
    EXPECT_EQ(vertex_counts(plain), (std::vector<int32_t>{1, 2, 3}));
}

TEST_F(ModelFile, TableFullGivesMinusOneButStillReadsMeshes) {
    const std::string text = head("1 0 0 0 0 0 0 0 0 1 1 1 0") + objects({"m2.bin"});
    for (int32_t k = 0; k < MODEL_SLOTS; ++k)
        ASSERT_EQ(load_model_text(text.c_str()), k);
    const int32_t before = stream_count(STREAM_POSITIONS);
    EXPECT_EQ(load_model_text(text.c_str()), -1);
    EXPECT_EQ(stream_count(STREAM_POSITIONS), before + 2);
    for (int32_t k = 0; k < MODEL_SLOTS; ++k)
        EXPECT_EQ(model_slot(k)->part_count, 1);
}

TEST_F(ModelFile, SectionsWorkOnlyOnWhatCameBefore) {
    // No head at all, or a head after the object list.
    EXPECT_EQ(load_model_text(""), -1);
    EXPECT_EQ(
        load_model_text((objects({"m1.bin"}) + bones({bone(1, "0 0 0 0", "0 0 0 0")})).c_str()),
        -1);
    EXPECT_EQ(stream_count(STREAM_POSITIONS), 0); // the mesh was not read
    EXPECT_EQ(load_model_text((objects({"m1.bin"}) + HEAD3).c_str()), 0);
    EXPECT_EQ(model_slot(0)->part_count, 0);

    // A second head is ignored: one slot, placed by the first.
    const int32_t model =
        load_model_text((head("2 5 0 0 0 0 0 0 0 1 1 1 0") + head("3 9 0 0 0 0 0 0 0 1 1 1 0") +
                         objects({"m1.bin", "m2.bin", "m3.bin"}))
                            .c_str());
    EXPECT_EQ(model, 1);
    EXPECT_EQ(model_slot(2), nullptr);
    EXPECT_EQ(model_position(1)->x, 5);
    // Names beyond the head's part count are skipped.
    EXPECT_EQ(vertex_counts(1), (std::vector<int32_t>{1, 2}));
}

TEST_F(ModelFile, UnreadableMeshKeepsThePartsAligned) {
    const walkers::testing::HeardProblems heard;
    const int32_t model =
        load_model_text((HEAD3 + objects({"m1.bin", "missing.bin", "m3.bin"}) +
                         bones({bone(0, "0 0 0 0", "0 0 0 0"), bone(0, "0 0 0 0", "0 0 0 0"),
                                bone(4, "0 0 0 0", "0 0 0 0"), bone(9, "0 0 0 0", "0 0 0 0")}))
                            .c_str());
    ASSERT_EQ(model, 0);
    EXPECT_EQ(vertex_counts(model), (std::vector<int32_t>{1, 0, 3}));
    EXPECT_EQ(model_slot(model)->parts[2].pop_count, 4); // the fourth bone had no part
    EXPECT_EQ(heard.log().unreadable_files(),
              std::vector<std::string>{(dir / "missing.bin").string()});
}

TEST_F(ModelFile, OddRecordLayoutsAreContained) {
    // Records shorter than a head or bone record are not read at all.
    EXPECT_EQ(load_model_text("SEC_M_HEAD: 1 IV 3 0 0 0 0 end"), -1);
    const int32_t model =
        load_model_text((HEAD3 + objects({"m1.bin"}) + "SEC_M_BORN: 3 I 7 7 7 end\n").c_str());
    ASSERT_EQ(model, 0);
    EXPECT_EQ(model_slot(model)->parts[0].pop_count, 0);
    // An object list of numbers instead of texts: nothing is taken for a name.
    EXPECT_EQ(load_model_text((HEAD3 + "SEC_M_OBJ: 2 I 1000 -4 end\n").c_str()), 1);
    EXPECT_EQ(model_slot(1)->part_count, 0);
    // Part counts the slot table refuses: no slot, no meshes read.
    const int32_t before = stream_count(STREAM_POSITIONS);
    EXPECT_EQ(load_model_text((head("-2 0 0 0 0 0 0 0 0 1 1 1 0") + objects({"m1.bin"})).c_str()),
              -1);
    EXPECT_EQ(stream_count(STREAM_POSITIONS), before);
}

TEST_F(ModelFile, LoadsFromFiles) {
    std::ofstream(dir / "mdt.txt") << HEAD3 << objects({"m1.bin", "m2.bin"});
    EXPECT_EQ(load_model("mdt.txt"), 0);
    EXPECT_EQ(vertex_counts(0), (std::vector<int32_t>{1, 2}));
    const walkers::testing::HeardProblems heard;
    EXPECT_EQ(load_model("nothing.txt"), -1);
    EXPECT_EQ(heard.log().unreadable_files(),
              std::vector<std::string>{(dir / "nothing.txt").string()});
    EXPECT_EQ(model_load_counter(), 2);
}
