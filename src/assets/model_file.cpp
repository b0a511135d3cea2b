// model_file.cpp - the model file loader.
#include "assets/model_file.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "assets/diagnostics.h"
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
// the part count it gave, and what is said about the file.
struct ModelLoad {
    explicit ModelLoad(std::string_view file) : problems(file) {}

    bool head_named = false; // a section called SEC_M_HEAD: came, usable or not
    bool head_seen = false;
    bool objects_seen = false;
    bool bones_seen = false;
    int32_t model = -1;
    int32_t part_room = 0;
    FileDiagnostics problems;
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
    load.head_named = true;
    if (load.head_seen) {
        load.problems.warning(section_position(s), "a second SEC_M_HEAD: section is ignored");
        return;
    }
    if (section_record_count(s, HEAD_RECORD_BYTES) < 1) {
        load.problems.error(section_position(s),
                            "SEC_M_HEAD: holds no complete record (52 bytes, format IVVV); no "
                            "model is made");
        return;
    }
    const uint8_t* r = section_records(s);
    load.head_seen = true;
    load.part_room = record_int(r, 0);
    load.model = create_model_slot(load.part_room);
    if (load.model < 0 && (load.part_room < 0 || load.part_room > MODEL_PART_ROOM_MAX))
        load.problems.error(section_position(s), "SEC_M_HEAD: part count ", load.part_room,
                            " is outside 0 .. ", MODEL_PART_ROOM_MAX,
                            "; no model is made (its meshes are still read)");
    else if (load.model < 0)
        load.problems.error(section_position(s), "all ", MODEL_SLOTS,
                            " model slots are taken; no model is made (its meshes are still read)");
    store_xyz(model_position(load.model), r, 4);
    store_xyz(model_rotation(load.model), r, 20);
    store_xyz(model_scale(load.model), r, 36);
}

// One mesh file as the model's next part, `part`; an unreadable one as an
// empty part, told where the model file names it as well as at the file.
void load_part(ModelLoad& load, int32_t part, const char* name, SourcePosition named_at) {
    const FileImage image = read_whole_file(name);
    if (!image.ok) {
        load.problems.error(named_at, "mesh file \"", name, "\" cannot be read: ", image.error,
                            "; part ", part, " is left empty");
        add_part(load.model, 0, 0, 0);
        return;
    }
    load_mesh(load.model, std::span<const uint8_t>(image.bytes.data(), image.size), name);
}

// What the object list leaves out or lacks against the head's part count.
void check_object_count(ModelLoad& load, SectionView s) {
    if (load.model < 0) return; // the head's own problem says it all
    const int32_t named = section_count(s);
    if (named > load.part_room)
        load.problems.error(section_position(s), "SEC_M_OBJ: names ", named,
                            " meshes, but SEC_M_HEAD: gives room for ", load.part_room,
                            " parts; the last ", named - load.part_room, " are not loaded");
    else if (named < load.part_room)
        load.problems.warning(section_position(s), "SEC_M_OBJ: names ", named, " meshes for the ",
                              load.part_room, " parts of SEC_M_HEAD:");
}

// The name of the S record at `at`: a size word, then the padded text. Null when
// the size word does not describe a terminated text inside the section.
const char* object_name(const uint8_t* records, int32_t size, int32_t at) {
    if (at > size - 4) return nullptr;
    const int32_t text_size = record_int(records, at);
    if (text_size <= 0 || text_size % 4 != 0 || text_size > size - 4 - at) return nullptr;
    const char* name = reinterpret_cast<const char*>(records + at + 4);
    return name[text_size - 1] == '\0' ? name : nullptr;
}

// Records of single S fields, one mesh file each. The walk stops at a record
// that is not such a text.
void read_objects(ModelLoad& load, SectionView s) {
    if (!load.head_seen) {
        load.problems.error(section_position(s),
                            "SEC_M_OBJ: comes before any SEC_M_HEAD:; its meshes are not loaded");
        return;
    }
    load.objects_seen = true;
    check_object_count(load, s);
    const uint8_t* records = section_records(s);
    const int32_t size = section_records_size(s);
    const int32_t count = std::min(section_count(s), load.part_room);
    int32_t at = 0;
    for (int32_t i = 0; i < count; ++i) {
        const char* name = object_name(records, size, at);
        if (name == nullptr) {
            load.problems.error(section_position(s), "SEC_M_OBJ: record ", i + 1,
                                " is not a file name (format S); the list ends there");
            return;
        }
        load_part(load, i, name, record_position(s, at));
        at += 4 + record_int(records, at);
    }
}

// Bone records against the parts they pose.
void check_bone_count(ModelLoad& load, SectionView s, int32_t parts) {
    const int32_t records = section_record_count(s, BONE_RECORD_BYTES);
    if (records > parts)
        load.problems.warning(section_position(s), "SEC_M_BORN: ", records, " records for ", parts,
                              " parts; the last ", records - parts, " are ignored");
    else if (records < parts)
        load.problems.warning(section_position(s), "SEC_M_BORN: ", records, " records for ", parts,
                              " parts; parts ", records, " .. ", parts - 1,
                              " keep pop count 0 and no offset from their parent");
}

void read_bones(ModelLoad& load, SectionView s) {
    load.bones_seen = true;
    const ModelSlot* slot = model_slot(load.model);
    if (slot == nullptr) {
        if (!load.head_seen)
            load.problems.error(section_position(s),
                                "SEC_M_BORN: comes before any SEC_M_HEAD:; it is ignored");
        return;
    }
    check_record_shape(load.problems, s, BONE_RECORD_BYTES, "IIVVVV");
    check_bone_count(load, s, slot->part_count);
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

int32_t load_from_blob(const SectionBlob& blob, std::string_view file) {
    ModelLoad load(file);
    for (SectionView s = first_section(blob); section_name_size(s) != SECTION_TERMINATOR;
         s = next_section(s)) {
        const char* name = section_name(s);
        if (std::strcmp(name, "SEC_M_HEAD:") == 0) {
            read_head(load, s);
        } else if (std::strcmp(name, "SEC_M_OBJ:") == 0) {
            read_objects(load, s);
        } else if (std::strcmp(name, "SEC_M_BORN:") == 0) {
            read_bones(load, s);
        } else if (std::strcmp(name, "SEC_M_HIT:") != 0 && section_name_form(name)) {
            load.problems.warning(section_position(s), "section ", name,
                                  " is not a model section; ignored");
        }
    }
    if (!load.head_named && !blob.unreadable)
        load.problems.error(NO_POSITION, "no SEC_M_HEAD: section; no model is made");
    const ModelSlot* slot = model_slot(load.model);
    if (!load.objects_seen && slot != nullptr && load.part_room > 0)
        load.problems.error(NO_POSITION,
                            "no SEC_M_OBJ: section after SEC_M_HEAD:; the model "
                            "gets none of its ",
                            load.part_room, " parts and draws nothing");
    if (!load.bones_seen && slot != nullptr && slot->part_count > 1)
        load.problems.warning(NO_POSITION,
                              "no SEC_M_BORN: section; every part keeps pop count 0 and no "
                              "offset, so each hangs from the one before it at its joint");
    return load.model;
}

} // namespace

int32_t load_model(const std::string& path) {
    step_model_load_counter(); // before anything else: the meshes read it
    return load_from_blob(parse_section_file(path), path);
}

int32_t load_model_text(const char* text) {
    step_model_load_counter();
    return load_from_blob(parse_section_text(text), {});
}

} // namespace walkers
