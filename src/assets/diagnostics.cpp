// diagnostics.cpp - the listener, per-file reporting and the log the front ends keep.
#include "assets/diagnostics.h"

#include <algorithm>
#include <ostream>

#include "assets/file.h"
#include "assets/printable_text.h"

namespace walkers {

namespace {

// The module's state: who listens, if anyone.
struct DiagnosticsState {
    DiagnosticSink* sink = nullptr;
};

DiagnosticsState state;

std::string position_text(const SourcePosition& at) {
    std::string text;
    if (at.kind == SourcePosition::Kind::line) text = ":";
    if (at.kind == SourcePosition::Kind::byte) text = ":byte ";
    if (!text.empty()) text += std::to_string(at.value);
    return text;
}

} // namespace

DiagnosticSink* diagnostic_sink() {
    return state.sink;
}

void set_diagnostic_sink(DiagnosticSink* sink) {
    state.sink = sink;
}

void FileDiagnostics::tell_unlisted() {
    deliver(unlisted_error_ ? Severity::error : Severity::warning, NO_POSITION,
            compose(unlisted_, " more problems in this file are not listed"), Cause::contents);
}

void FileDiagnostics::unreadable(std::string_view why) {
    if (sink_)
        report(Severity::error, NO_POSITION, compose("cannot read this file: ", why),
               Cause::unreadable);
}

void FileDiagnostics::report(Severity severity, SourcePosition at, std::string message,
                             Cause cause) {
    if (reported_ >= PROBLEMS_PER_FILE_LOAD) {
        ++unlisted_;
        unlisted_error_ = unlisted_error_ || severity == Severity::error;
        return;
    }
    ++reported_;
    deliver(severity, at, std::move(message), cause);
}

void FileDiagnostics::deliver(Severity severity, SourcePosition at, std::string message,
                              Cause cause) {
    Diagnostic d;
    d.severity = severity;
    d.file = file_.empty() ? std::string() : full_path(std::string(file_)).string();
    d.position = at;
    d.message = std::move(message);
    d.unreadable = cause == Cause::unreadable;
    d.capacity = cause == Cause::capacity;
    sink_->report(d);
}

std::string format_diagnostic(const Diagnostic& d) {
    const char* severity = d.severity == Severity::error ? "error" : "warning";
    const std::string file = d.file.empty() ? "(text)" : d.file;
    // Paths and messages carry names read from files: escaped, whatever they hold.
    return printable_text(file + position_text(d.position) + ": " + severity + ": " + d.message);
}

void DiagnosticLog::report(const Diagnostic& diagnostic) {
    if (kept_.size() >= DIAGNOSTICS_KEPT) {
        if (!overflowed_ && echo_)
            *echo_ << "(more than " << DIAGNOSTICS_KEPT << " problems; the rest are not listed)\n";
        overflowed_ = true;
        return;
    }
    std::string line = format_diagnostic(diagnostic);
    if (!seen_.insert(line).second) return;
    if (echo_) *echo_ << line << '\n';
    kept_.push_back(diagnostic);
}

int32_t count_severity(std::span<const Diagnostic> diagnostics, Severity severity) {
    return static_cast<int32_t>(
        std::count_if(diagnostics.begin(), diagnostics.end(),
                      [severity](const Diagnostic& d) { return d.severity == severity; }));
}

int32_t DiagnosticLog::count(Severity severity) const {
    return count_severity(kept_, severity);
}

std::vector<std::string> unreadable_files(std::span<const Diagnostic> diagnostics) {
    std::vector<std::string> files;
    for (const Diagnostic& d : diagnostics) {
        if (d.unreadable && std::find(files.begin(), files.end(), d.file) == files.end())
            files.push_back(d.file);
    }
    return files;
}

std::vector<std::string> DiagnosticLog::unreadable_files() const {
    return walkers::unreadable_files(kept_);
}

} // namespace walkers
