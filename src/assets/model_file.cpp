// model_file.cpp - the model file loader.
#include "assets/model_file.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "assets/file.h"
#include "assets/mesh.h"
#include "assets/model.h"
#include "assets/section.h"
#include "geometry/fixed.h"

namespace walkers {

namespace {

constexpr int32_t HEAD_RECORD_BYTES = 52;
constexpr int32_t BONE_RECORD_BYTES = 72;

// One load in progress: whether a head was read, the slot it made (or -1) and
// the part count it gave.
struct ModelLoad {
    bool head_seen = false;
    int32_t model = -1;
    int32_t part_room = 0;
};

int32_t truncated(const uint8_t* record, int32_t at, double scale = 1.0) {
    return truncate_to_int32(static_cast<double>(record_float(record, at)) * scale);
}

// x, y and z of a V field; w is left as it is.
void store_xyz(Vector4* v, const uint8_t* record, int32_t at) {
    if (v == nullptr) return;
    v->x = truncated(record, at);
    v->y = truncated(record, at + 4);
    v->z = truncated(record, at + 8);
}

void read_head(ModelLoad& load, SectionView s) {
    if (load.head_seen || section_record_count(s, HEAD_RECORD_BYTES) < 1) return;
    const uint8_t* r = section_records(s);
    load.head_seen = true;
    load.part_room = record_int(r, 0);
    load.model = create_model_slot(load.part_room);
    store_xyz(model_position(load.model), r, 4);
    store_xyz(model_rotation(load.model), r, 20);
    store_xyz(model_scale(load.model), r, 36);
}

// One mesh file as the model's next part; an unreadable one as an empty part.
void load_part(int32_t model, const char* name) {
    const FileImage image = read_whole_file(name);
    if (!image.ok) {
        add_part(model, 0, 0, 0);
        return;
    }
    load_mesh(model, std::span<const uint8_t>(image.bytes.data(), image.size));
}

// Records of single S fields: a size word, then the padded name. The walk stops
// at a size word that does not describe a text inside the section.
void read_objects(const ModelLoad& load, SectionView s) {
    if (!load.head_seen) return;
    const uint8_t* records = section_records(s);
    const int32_t size = section_records_size(s);
    const int32_t count = std::min(section_count(s), load.part_room);
    int32_t at = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (at > size - 4) return;
        const int32_t text_size = record_int(records, at);
        if (text_size <= 0 || text_size % 4 != 0 || text_size > size - 4 - at) return;
        const char* name = reinterpret_cast<const char*>(records + at + 4);
        if (name[text_size - 1] != '\0') return;
        load_part(load.model, name);
        at += 4 + text_size;
    }
}

void read_bones(const ModelLoad& load, SectionView s) {
    const ModelSlot* slot = model_slot(load.model);
    if (slot == nullptr) return;
    const int32_t n = std::min(section_record_count(s, BONE_RECORD_BYTES), slot->part_count);
    const uint8_t* records = section_records(s);
    for (int32_t i = 0; i < n; ++i) {
        const uint8_t* r = records + i * BONE_RECORD_BYTES;
        const Vector4 translation{truncated(r, 8), truncated(r, 12), truncated(r, 16), 0};
        // The product of a float and 300 is exact in double; only truncation rounds.
        const Vector4 rotation{truncated(r, 24, BONE_ROTATION_SCALE),
                               truncated(r, 28, BONE_ROTATION_SCALE),
                               truncated(r, 32, BONE_ROTATION_SCALE), 0};
        set_part_pose(load.model, i, record_int(r, 0), translation, rotation);
    }
}

int32_t load_from_blob(const SectionBlob& blob) {
    ModelLoad load;
    for (SectionView s = first_section(blob); section_name_size(s) != SECTION_TERMINATOR;
         s = next_section(s)) {
        const char* name = section_name(s);
        if (std::strcmp(name, "SEC_M_HEAD:") == 0) {
            read_head(load, s);
        } else if (std::strcmp(name, "SEC_M_OBJ:") == 0) {
            read_objects(load, s);
        } else if (std::strcmp(name, "SEC_M_BORN:") == 0) {
            read_bones(load, s);
        } // "SEC_M_HIT:" and any other name: nothing
    }
    return load.model;
}

} // namespace

int32_t load_model(const std::string& path) {
    step_model_load_counter(); // before anything else: the meshes read it
    return load_from_blob(parse_section_file(path));
}

int32_t load_model_text(const char* text) {
    step_model_load_counter();
    return load_from_blob(parse_section_text(text));
}

} // namespace walkers
