// animation.cpp - animation slots: the animation file loader and playback steps.
#include "assets/animation.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "assets/diagnostics.h"
#include "assets/model.h"
#include "assets/section.h"

namespace walkers {

namespace {

constexpr int32_t HEAD_RECORD_BYTES = 16;
constexpr int32_t SEEK_RECORD_BYTES = KEYFRAME_BYTES;
constexpr int32_t DAT_RECORD_BYTES = 16;

// The module's state: one owner per loaded slot.
struct AnimationTableState {
    std::array<std::unique_ptr<AnimationSlot>, ANIMATION_SLOTS> animation_table;
};

AnimationTableState state;

// One load in progress. The record exists once a head section was accepted.
struct AnimationLoad {
    explicit AnimationLoad(std::string_view file) : problems(file) {}

    int32_t index = 0;
    std::unique_ptr<AnimationSlot> record;
    int32_t pose_count = 0;
    bool head_named = false; // a section called SEC_ANIM_HEAD: came, usable or not
    bool poses_read = false;
    int32_t keys_defined = 0;
    SourcePosition seek_at;
    FileDiagnostics problems;
};

// Whether K keys and P poses of `parts` vectors, plus from_pose, fit the room.
// Compared term by term, so no product of file values can overflow.
bool head_fits(int64_t keys, int64_t parts, int64_t poses) {
    if (keys < 0 || parts < 0 || poses < 0) return false;
    if (keys > ANIMATION_ROOM_BYTES / KEYFRAME_BYTES) return false;
    const int64_t pose_room = ANIMATION_ROOM_BYTES - keys * KEYFRAME_BYTES;
    return parts == 0 || poses + 1 <= pose_room / (parts * VECTOR_BYTES);
}

// A later head starts the record afresh, as a new allocation would; a head
// beyond the room leaves no record, so the sections after it are ignored.
void read_head(AnimationLoad& load, SectionView s) {
    if (load.head_named)
        load.problems.warning(section_position(s),
                              "a second SEC_ANIM_HEAD: section starts the animation afresh");
    load.head_named = true;
    if (section_record_count(s, HEAD_RECORD_BYTES) < 1) {
        load.problems.error(section_position(s),
                            "SEC_ANIM_HEAD: holds no complete record (16 bytes, format IIII); it "
                            "is ignored");
        return;
    }
    const uint8_t* r = section_records(s);
    const int32_t keys = record_int(r, 0);
    const int32_t parts = record_int(r, 8);
    const int32_t poses = record_int(r, 12);
    load.record.reset();
    load.poses_read = false;
    load.keys_defined = 0;
    if (!head_fits(keys, parts, poses)) {
        if (keys < 0 || parts < 0 || poses < 0)
            load.problems.error(section_position(s), "SEC_ANIM_HEAD: ", keys, " keys, ", parts,
                                " parts and ", poses,
                                " poses: a count is negative; no animation is made");
        else
            load.problems.error(section_position(s), "SEC_ANIM_HEAD: ", keys, " keys and ", poses,
                                " poses of ", parts, " parts do not fit the ", ANIMATION_ROOM_BYTES,
                                " bytes an animation holds; no animation is made");
        return;
    }

    auto record = std::make_unique<AnimationSlot>();
    record->index = load.index;
    record->head_value = record_int(r, 4);
    record->parts = parts;
    record->keys.assign(static_cast<size_t>(keys), Keyframe{0, 0, NO_KEY, NO_POSE, {}});
    record->poses.assign(static_cast<size_t>(poses) * static_cast<size_t>(parts), Vector4{});
    record->from_pose.assign(static_cast<size_t>(parts), Vector4{});
    load.pose_count = poses;
    load.record = std::move(record);
}

// Records against the entries the head made room for: extra ones are ignored,
// and missing ones are told with what they become (an error when `severe`).
void check_record_count(AnimationLoad& load, SectionView s, int32_t stride, int32_t room,
                        std::string_view what, std::string_view missing, bool severe) {
    const int32_t records = section_record_count(s, stride);
    const SourcePosition at = section_position(s);
    if (records > room)
        load.problems.warning(at, section_name(s), " holds ", records, " ", what,
                              " where SEC_ANIM_HEAD: makes room for ", room, "; the last ",
                              records - room, " are ignored");
    else if (records < room && severe)
        load.problems.error(at, section_name(s), " holds ", records, " of the ", room, " ", what,
                            " SEC_ANIM_HEAD: calls for; ", missing);
    else if (records < room)
        load.problems.warning(at, section_name(s), " holds ", records, " of the ", room, " ", what,
                              " SEC_ANIM_HEAD: calls for; ", missing);
}

// Key j from record j; records beyond the head's key count have no room.
void read_keys(AnimationLoad& load, SectionView s) {
    AnimationSlot& a = *load.record;
    check_record_shape(load.problems, s, SEEK_RECORD_BYTES, "IIIIV");
    if (load.problems.listening())
        check_record_count(load, s, SEEK_RECORD_BYTES, static_cast<int32_t>(a.keys.size()), "keys",
                           "the others are undefined", false);
    load.seek_at = section_position(s);
    const int32_t n =
        std::min(section_record_count(s, SEEK_RECORD_BYTES), static_cast<int32_t>(a.keys.size()));
    load.keys_defined = std::max(load.keys_defined, n);
    const uint8_t* records = section_records(s);
    for (int32_t j = 0; j < n; ++j) {
        const uint8_t* r = records + j * SEEK_RECORD_BYTES;
        Keyframe& key = a.keys[static_cast<size_t>(j)];
        key.duration = record_int(r, 0);
        key.spare = record_int(r, 4);
        key.next = record_int(r, 8); // -1 is NO_KEY; other strays are caught later
        key.pose = record_int(r, 12);
        for (int32_t k = 0; k < 4; ++k)
            key.values[k] = truncate_to_int32(static_cast<double>(record_float(r, 16 + 4 * k)));
    }
}

bool pose_loaded(const AnimationLoad& load, int32_t pose) {
    return pose >= 0 && pose < load.pose_count;
}

const Vector4* pose_of(const AnimationSlot& a, int32_t pose) {
    return a.poses.data() + static_cast<size_t>(pose) * static_cast<size_t>(a.parts);
}

// Poses in record order (record r is pose r / parts, part r % parts), then the
// playback state: key 0 current, its pose saved as the pose to blend towards.
void read_poses(AnimationLoad& load, SectionView s) {
    AnimationSlot& a = *load.record;
    check_record_shape(load.problems, s, DAT_RECORD_BYTES, "V");
    if (load.problems.listening())
        check_record_count(load, s, DAT_RECORD_BYTES, static_cast<int32_t>(a.poses.size()),
                           "pose records", "the missing ones read as 0 degrees", true);
    const int32_t n =
        std::min(section_record_count(s, DAT_RECORD_BYTES), static_cast<int32_t>(a.poses.size()));
    const uint8_t* records = section_records(s);
    for (int32_t r = 0; r < n; ++r) {
        const uint8_t* v = records + r * DAT_RECORD_BYTES;
        a.poses[static_cast<size_t>(r)] =
            Vector4{degrees_to_angle(record_float(v, 0)), degrees_to_angle(record_float(v, 4)),
                    degrees_to_angle(record_float(v, 8)), degrees_to_angle(record_float(v, 12))};
    }
    a.frame_counter = LOADED_FRAME_COUNTER;
    a.current = 0;
    if (!a.keys.empty() && pose_loaded(load, a.keys[0].pose))
        std::copy_n(pose_of(a, a.keys[0].pose), a.parts, a.from_pose.begin());
    load.poses_read = true;
}

// Every key playback can reach from key 0 must name a loaded pose and a loaded
// next key, or none (then it plays again). Says which key breaks the chain.
bool keys_playable(AnimationLoad& load) {
    const std::vector<Keyframe>& keys = load.record->keys;
    if (keys.empty()) {
        load.problems.error(NO_POSITION,
                            "SEC_ANIM_HEAD: gives no keys; the animation will not play");
        return false;
    }
    std::vector<bool> visited(keys.size(), false);
    for (int32_t k = 0; !visited[static_cast<size_t>(k)];) {
        visited[static_cast<size_t>(k)] = true;
        const Keyframe& key = keys[static_cast<size_t>(k)];
        if (k >= load.keys_defined) {
            load.problems.error(load.seek_at, "key ", k,
                                ", which playback reaches from key 0, is not defined by "
                                "SEC_ANIM_SEEK:; the animation will not play");
            return false;
        }
        if (!pose_loaded(load, key.pose)) {
            load.problems.error(load.seek_at, "key ", k, " names pose ", key.pose, ", outside the ",
                                load.pose_count,
                                " poses of SEC_ANIM_HEAD:; the animation will not play");
            return false;
        }
        if (key.next == NO_KEY) return true;
        if (key.next < 0 || key.next >= static_cast<int32_t>(keys.size())) {
            load.problems.error(load.seek_at, "key ", k, " names next key ", key.next,
                                ", outside its ", keys.size(),
                                " keys; the animation will not play");
            return false;
        }
        k = key.next;
    }
    return true;
}

int32_t blend(int32_t from, int32_t to, int32_t w) {
    return (wrap_add(wrap_mul(from, w), wrap_mul(to, FIXED_ONE - w)) >> FIXED_SHIFT) & ANGLE_MASK;
}

// The parts a step may write: those the animation holds and the model has.
int32_t writable_parts(const AnimationSlot& a, int32_t model) {
    const ModelSlot* slot = model_slot(model);
    return slot == nullptr ? 0 : std::min(a.parts, slot->part_count);
}

} // namespace

void free_animation_table() {
    state = AnimationTableState{};
}

const AnimationSlot* animation_slot(int32_t i) {
    if (i < 0 || i >= ANIMATION_SLOTS) return nullptr;
    return state.animation_table[static_cast<size_t>(i)].get();
}

int32_t degrees_to_angle(float degrees) {
    // The double product of two floats is exact, so only the truncation rounds.
    return truncate_to_int32(static_cast<double>(degrees) * static_cast<double>(DEGREES_TO_ANGLE));
}

namespace {

// A section the loader has no use for where it stands.
void report_ignored(AnimationLoad& load, SectionView s, const char* name) {
    const bool known =
        std::strcmp(name, "SEC_ANIM_SEEK:") == 0 || std::strcmp(name, "SEC_ANIM_DAT:") == 0;
    if (!known && section_name_form(name))
        load.problems.warning(section_position(s), "section ", name,
                              " is not an animation section; ignored");
    else if (!load.head_named)
        load.problems.error(section_position(s), name,
                            " comes before any SEC_ANIM_HEAD:; it is ignored");
}

// The finished record against the model it drives: parts one of them lacks.
void check_parts(AnimationLoad& load) {
    const ModelSlot* model = model_slot(load.index);
    if (model == nullptr || load.record->parts == model->part_count) return;
    load.problems.warning(NO_POSITION, "poses hold ", load.record->parts,
                          " parts, the model it drives has ", model->part_count,
                          load.record->parts > model->part_count
                              ? "; the extra rotations are not used"
                              : "; the parts beyond the poses are not animated");
}

// Fills entry i from a parsed file; sections are taken in file order.
void load_from_blob(const SectionBlob& blob, int32_t i, std::string_view file) {
    AnimationLoad load(file);
    load.index = i;
    for (SectionView s = first_section(blob); section_name_size(s) != SECTION_TERMINATOR;
         s = next_section(s)) {
        const char* name = section_name(s);
        if (std::strcmp(name, "SEC_ANIM_HEAD:") == 0) {
            read_head(load, s);
        } else if (load.record == nullptr) {
            report_ignored(load, s, name); // keys and poses before any head have nowhere to go
        } else if (std::strcmp(name, "SEC_ANIM_SEEK:") == 0) {
            read_keys(load, s);
        } else if (std::strcmp(name, "SEC_ANIM_DAT:") == 0) {
            read_poses(load, s);
        } else {
            report_ignored(load, s, name);
        }
    }
    if (load.record != nullptr) {
        if (!load.poses_read)
            load.problems.error(NO_POSITION,
                                "no SEC_ANIM_DAT: section after SEC_ANIM_HEAD:; the animation "
                                "will not play");
        load.record->complete = load.poses_read && keys_playable(load);
        if (load.problems.listening()) check_parts(load);
    } else if (!load.head_named && !blob.unreadable) {
        load.problems.error(NO_POSITION, "no SEC_ANIM_HEAD: section; no animation is made");
    }
    state.animation_table[static_cast<size_t>(i)] = std::move(load.record);
}

} // namespace

int32_t load_animation_text(const char* text, int32_t i) {
    if (i < 0 || i >= ANIMATION_SLOTS) return -1;
    state.animation_table[static_cast<size_t>(i)].reset();
    load_from_blob(parse_section_text(text), i, {});
    return i;
}

int32_t load_animation(const std::string& path, int32_t i) {
    if (i < 0 || i >= ANIMATION_SLOTS) return -1;
    state.animation_table[static_cast<size_t>(i)].reset();
    load_from_blob(parse_section_file(path), i, path);
    return i;
}

void animation_step(int32_t i) {
    AnimationSlot* a = i >= 0 && i < ANIMATION_SLOTS
                           ? state.animation_table[static_cast<size_t>(i)].get()
                           : nullptr;
    if (a == nullptr || !a->complete) return;

    const Keyframe* key = &a->keys[static_cast<size_t>(a->current)];
    if (a->frame_counter >= key->duration) {
        std::copy_n(pose_of(*a, key->pose), a->parts, a->from_pose.begin());
        if (key->next != NO_KEY) a->current = key->next; // none: the key plays again
        a->frame_counter = 0;
        key = &a->keys[static_cast<size_t>(a->current)];
    }
    // Here 0 < frame_counter < duration, or frame_counter is 0: w runs 0..1023.
    int32_t w = 0;
    if (a->frame_counter > 0 && key->duration > 0)
        w = static_cast<int32_t>(int64_t{a->frame_counter} * FIXED_ONE / key->duration);

    const Vector4* to = pose_of(*a, key->pose);
    const int32_t parts = writable_parts(*a, i);
    for (int32_t p = 0; p < parts; ++p) {
        Vector4* r = part_rotation(i, p);
        if (r == nullptr) break;
        const Vector4& from = a->from_pose[static_cast<size_t>(p)];
        r->x = blend(from.x, to[p].x, w);
        r->y = blend(from.y, to[p].y, w);
        r->z = blend(from.z, to[p].z, w);
    }
    a->frame_counter += 1;
}

} // namespace walkers
