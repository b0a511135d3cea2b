// model_file.h - the model file: head, object list and bone sections.
//
// load_model steps model_load_counter, parses the file, creates the slot from
// the first record of "SEC_M_HEAD:" (part count N, position, rotation, scale,
// floats truncated), loads each mesh named by "SEC_M_OBJ:" as the next part, and
// poses the parts from "SEC_M_BORN:" (pop count, translation, rotation x300).
// "SEC_M_HIT:" and other sections are ignored. Returns the slot, or -1: no head
// section, or create_model_slot refused (table full or N out of range; the
// meshes are then still read and appended, as parts of no model).
//
// Sections work only on what came before them: a second head is ignored, an
// object list or bone section without a head before it is skipped, names beyond
// N and bone records beyond the parts added are ignored. A mesh file that
// cannot be read (reported once on standard error) still adds an empty part, so
// the bone section's part numbers stay aligned with the object list.
#pragma once

#include <cstdint>
#include <string>

namespace walkers {

constexpr double BONE_ROTATION_SCALE = 300.0;

int32_t load_model(const std::string& path);
// The same from the text itself (NUL-terminated); mesh names are still files.
int32_t load_model_text(const char* text);

} // namespace walkers
