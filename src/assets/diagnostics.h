// diagnostics.h - the problems the loaders meet in asset files, told to a listener.
//
// Every loader reports each place where it skips, drops, clamps, cuts or refuses
// something of a file, from the very code that does it (there is no second
// reader that could disagree). A report names:
// - the file, by its full path (empty for text handed over from memory);
// - a position: a line of a text file where the parser knows it, a byte offset
//   of a binary file, or none;
// - a severity: an error when the demo draws less than the files describe (or
//   something other than they describe), a warning for legal but suspicious data;
// - a message in plain words.
//
// Nobody listens by default. Then a report costs one test of a pointer and no
// message is built, so loading a clean folder costs the same with or without
// this. A front end attaches a sink around the loads it wants to hear about
// (ListeningScope) and detaches it after; attaching is not part of any module's
// reset, so setup_scene, which resets every module, keeps the listener.
//
// FileDiagnostics is what a loader reports through, one per file it reads: it
// takes the file's name as the loader opened it (relative to the working
// directory then), makes it a full path only when reporting, and passes on at
// most PROBLEMS_PER_FILE_LOAD problems of one load; when it goes, one more line
// counts the rest (an error if any of them was one), so a file broken at every
// byte cannot flood the listener.
//
// DiagnosticLog is the sink the front ends use. The nine walkers load the same
// files, so it keeps each distinct problem once, in the order first met, up to
// DIAGNOSTICS_KEPT of them; it can also write each new one to a stream as it
// comes. format_diagnostic gives the compiler-style line:
//   FILE:LINE: error: message      (a text file)
//   FILE:byte N: warning: message  (a binary file)
//   FILE: error: message           (no position)
// with the bytes of names that could not be shown as they are escaped
// (assets/printable_text.h), so a hostile name cannot reach a terminal raw.
//
// Single-threaded, like the loaders. Standard library only.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace walkers {

enum class Severity : uint8_t { warning, error };

struct SourcePosition {
    enum class Kind : uint8_t { none, line, byte };
    Kind kind = Kind::none;
    int64_t value = 0;
};

constexpr SourcePosition NO_POSITION{};
constexpr SourcePosition at_line(int64_t line) {
    return {SourcePosition::Kind::line, line};
}
constexpr SourcePosition at_byte(int64_t offset) {
    return {SourcePosition::Kind::byte, offset};
}

struct Diagnostic {
    Severity severity = Severity::error;
    std::string file; // full path; empty for text parsed from memory
    SourcePosition position;
    std::string message;
    bool unreadable = false; // the file itself could not be read
    bool capacity = false;   // refused for a table's room or a name's length, not the file's bytes
};

class DiagnosticSink {
public:
    virtual ~DiagnosticSink() = default;
    virtual void report(const Diagnostic& diagnostic) = 0;
};

// The listener, or null when nobody listens.
DiagnosticSink* diagnostic_sink();
void set_diagnostic_sink(DiagnosticSink* sink);

// Attaches a sink for its lifetime and puts the previous one back after.
class ListeningScope {
public:
    explicit ListeningScope(DiagnosticSink* sink) : previous_(diagnostic_sink()) {
        set_diagnostic_sink(sink);
    }
    ~ListeningScope() { set_diagnostic_sink(previous_); }
    ListeningScope(const ListeningScope&) = delete;
    ListeningScope& operator=(const ListeningScope&) = delete;

private:
    DiagnosticSink* previous_;
};

constexpr int32_t PROBLEMS_PER_FILE_LOAD = 20;
constexpr std::size_t DIAGNOSTICS_KEPT = 1000;

// Message text from pieces: text as it stands, integers in decimal.
inline void append_piece(std::string& out, std::string_view text) {
    out += text;
}
inline void append_piece(std::string& out, char c) {
    out += c;
}
template <typename Number>
requires(std::is_integral_v<Number> && !std::is_same_v<Number, char> &&
         !std::is_same_v<Number, bool>) void append_piece(std::string& out, Number n) {
    out += std::to_string(n);
}

// What one load says about one file. `file` must outlive the object.
class FileDiagnostics {
public:
    explicit FileDiagnostics(std::string_view file) : file_(file), sink_(diagnostic_sink()) {}
    ~FileDiagnostics() {
        if (unlisted_ > 0) tell_unlisted();
    }
    FileDiagnostics(const FileDiagnostics&) = delete;
    FileDiagnostics& operator=(const FileDiagnostics&) = delete;

    bool listening() const { return sink_ != nullptr; }

    template <typename... Pieces> void error(SourcePosition at, const Pieces&... pieces) {
        if (sink_) report(Severity::error, at, compose(pieces...));
    }
    template <typename... Pieces> void warning(SourcePosition at, const Pieces&... pieces) {
        if (sink_) report(Severity::warning, at, compose(pieces...));
    }
    // The file could not be read at all; `why` says what failed.
    void unreadable(std::string_view why);
    // An error about the room the file would take (a table's slots, a name's
    // length), not about what the file holds.
    template <typename... Pieces> void capacity_error(SourcePosition at, const Pieces&... pieces) {
        if (sink_) report(Severity::error, at, compose(pieces...), Cause::capacity);
    }

private:
    enum class Cause : uint8_t { contents, unreadable, capacity };

    template <typename... Pieces> static std::string compose(const Pieces&... pieces) {
        std::string text;
        (append_piece(text, pieces), ...);
        return text;
    }
    void report(Severity severity, SourcePosition at, std::string message,
                Cause cause = Cause::contents);
    void deliver(Severity severity, SourcePosition at, std::string message, Cause cause);
    void tell_unlisted();

    std::string_view file_;
    DiagnosticSink* sink_;
    int32_t reported_ = 0;
    int32_t unlisted_ = 0;
    bool unlisted_error_ = false;
};

// "FILE:LINE: error: message" and its other forms (see above).
std::string format_diagnostic(const Diagnostic& diagnostic);

// How many of the diagnostics have the severity.
int32_t count_severity(std::span<const Diagnostic> diagnostics, Severity severity);
// Full paths of the files the diagnostics found unreadable, each once, in order met.
std::vector<std::string> unreadable_files(std::span<const Diagnostic> diagnostics);

class DiagnosticLog final : public DiagnosticSink {
public:
    // echo: where each new problem is written as its formatted line, or null.
    explicit DiagnosticLog(std::ostream* echo = nullptr) : echo_(echo) {}

    void report(const Diagnostic& diagnostic) override;

    const std::vector<Diagnostic>& diagnostics() const { return kept_; }
    int32_t count(Severity severity) const;
    // Full paths of the files that could not be read, each once, in order met.
    std::vector<std::string> unreadable_files() const;
    // Whether problems came after DIAGNOSTICS_KEPT were kept; they are dropped.
    bool overflowed() const { return overflowed_; }

private:
    std::ostream* echo_;
    std::vector<Diagnostic> kept_;
    std::set<std::string> seen_; // formatted lines of kept_
    bool overflowed_ = false;
};

} // namespace walkers
