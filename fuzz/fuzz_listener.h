// fuzz_listener.h - every loader fuzzer listens to what the loader says.
//
// A HeardProblems lives for one input: it attaches a fresh log, so the code
// that builds each report runs on every input, and check() then holds each
// report to what a listener may rely on: a message, and for a report on the
// input's own file (named as given, or unnamed text) a position inside the
// input: a line no further than its last, a byte offset no further than its
// end. Reports on other files the input names (a texture that is not there)
// carry no position in it.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "assets/diagnostics.h"

namespace walkers::fuzzing {

class HeardProblems {
public:
    HeardProblems() : listen_(&log_) {}

    // `file`: the tail of the input's full path ("" for text from memory).
    void check(std::string_view file, int64_t last_line, int64_t last_byte) const {
        for (const Diagnostic& d : log_.diagnostics()) {
            if (d.message.empty()) std::abort();
            const bool own =
                file.empty() ? d.file.empty() : std::string_view(d.file).ends_with(file);
            const int64_t at = d.position.value;
            switch (d.position.kind) {
            case SourcePosition::Kind::line:
                if (!own || at < 1 || at > last_line) std::abort();
                break;
            case SourcePosition::Kind::byte:
                if (!own || at < 0 || at > last_byte) std::abort();
                break;
            default:
                break;
            }
        }
    }

private:
    DiagnosticLog log_;
    ListeningScope listen_;
};

// The number of the text's last line: the text ends at its first NUL.
inline int64_t last_line(const uint8_t* data, std::size_t size) {
    int64_t lines = 1;
    for (std::size_t i = 0; i < size && data[i] != 0; ++i)
        lines += data[i] == '\n';
    return lines;
}

} // namespace walkers::fuzzing
