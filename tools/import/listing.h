// listing.h - what --list shows: the model as read, and what the import makes of it.
//
// The node tree (indented, with the meshes each node places, whether it is a
// bone and whether the clip moves it), the meshes, the bones, the clips and the
// materials; then the import's own notes and its use of the renderer for one
// walker and for nine. Nothing is written.
#pragma once

#include <string>

#include "import.h"
#include "source.h"

namespace walkers::import {

std::string model_listing(const SourceScene& scene, const ImportResult& result);

// The notes, one a line: the topic in a column of its own.
std::string notes_text(const std::vector<Note>& notes);

} // namespace walkers::import
