// report_format.h - walkers-check's two ways of printing a CheckReport.
//
// text_report: the problems first, one compiler-style line each
// ("FILE:LINE: error: message", "FILE:byte N: warning: message"), so editors and
// CI logs can jump to them; then the model, the animation, the textures and the
// budget for the walkers; then one line counting errors and warnings. Names and
// paths read from files are escaped (assets/printable_text.h) here as in every
// other output.
//
// json_report: the same as one JSON document (UTF-8, keys in a fixed order;
// every string escaped as the text is, so a message reads as its text line):
//   {"folder", "errors", "warnings", "complete" (false when problems were cut),
//    "problems": [{"file", "line" | "byte" (absent without a position),
//                  "severity": "error" | "warning", "message"}],
//    "walkers", "walkers_loaded", "walkers_drawing",
//    "model": {"file", "loaded", "parts", "part_room", "vertices", "depth"},
//    "animation": {"file", "loaded", "plays", "keys", "poses", "parts",
//                  "keys_played", "loops"},
//    "textures": [{"slot", "name", "file", "width", "height", "bits_per_pixel", "faces"}],
//    "budget": [{"what", "per_walker" (null when it does not grow with the
//                walkers), "used", "capacity"}]}
#pragma once

#include <string>

#include "frontend/check.h"

namespace walkers::check {

std::string text_report(const CheckReport& report);
// The budget part of text_report alone: "budget for 9 walkers" and a line per capacity.
std::string budget_table(const CheckReport& report);
std::string json_report(const CheckReport& report);

} // namespace walkers::check
