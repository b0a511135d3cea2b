// fuzz_inputs.h - the inputs a fuzzer skips.
//
// The readers open the files an input names (a mesh, a texture, a model's
// .mtl or .bin). An input that names devices, /proc or /sys is skipped: a read
// there can block or never end, stalling the run without finding anything.
#pragma once

#include <string_view>

namespace walkers::fuzzing {

inline bool names_special_files(std::string_view input) {
    return input.find("/dev") != std::string_view::npos ||
           input.find("/proc") != std::string_view::npos ||
           input.find("/sys") != std::string_view::npos;
}

} // namespace walkers::fuzzing
