// printable_text.h - text read from files, made safe to show.
//
// Names inside asset files (a texture name in a mesh, a section name, a file
// name in the model) and the paths they lead to may hold any bytes. Before such
// text reaches a terminal, a log, a JSON document or a window, printable_text
// escapes every byte that could be misread or could move the cursor:
// - bytes that are not part of well-formed UTF-8 (overlong forms, surrogates
//   and anything past U+10FFFF are not well formed);
// - the control characters U+0000..U+001F, U+007F and U+0080..U+009F;
// - the invisible characters that reorder or break a line: U+200E, U+200F,
//   U+2028..U+202E and U+2066..U+2069;
// each of their bytes as \xAA (two upper-case hex digits), and the backslash
// itself as \\, so the escaped text reads back unambiguously. Everything else,
// printable UTF-8 included, passes unchanged; plain ASCII text is unchanged
// but for backslashes. Standard library only; nothing here throws but
// std::bad_alloc.
#pragma once

#include <string>
#include <string_view>

namespace walkers {

std::string printable_text(std::string_view text);

} // namespace walkers
