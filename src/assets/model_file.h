// model_file.h - the model file: head, object list and bone sections.
//
// load_model steps model_load_counter, parses the file, creates the slot from
// "SEC_M_HEAD:", loads each mesh of "SEC_M_OBJ:" as a part, and poses the parts
// from "SEC_M_BORN:" (rotations x300). Returns the slot, or -1 (no head section,
// or no free slot). An unreadable mesh still adds an empty part so the bone
// section's part numbers stay aligned.
#pragma once

#include <cstdint>
#include <string>

namespace walkers {

int32_t load_model(const std::string& path);

} // namespace walkers
