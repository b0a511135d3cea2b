// state_log.h - walkers --state FILE: the JSON state line of every frame shown.
//
// Each frame's line (the snapshot tool's, frontend/snapshot.h) is formatted
// into a string that keeps its capacity and copied into a buffer of
// BUFFER_BYTES, which goes to the file only when it is full and at close: no
// flush and no allocation per frame, so the paced window keeps its pace. "-"
// names standard output, which keeps its own buffering. close() (or destruction) writes what is
// buffered; every way the program ends returns through it, the quits that skip the scene's teardown
// included.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace walkers {

class StateLog {
public:
    static constexpr std::size_t BUFFER_BYTES = std::size_t{1} << 20;
    using LineFormat = std::function<void(std::string& line)>;

    // Opens `path` for writing; is_open() is false and error() says why when it cannot.
    explicit StateLog(const std::string& path);
    ~StateLog();
    StateLog(const StateLog&) = delete;
    StateLog& operator=(const StateLog&) = delete;

    bool is_open() const { return file_ != nullptr; }
    const std::string& error() const { return error_; }

    // The line `format` gives for the frame just run, and a newline.
    void record(const LineFormat& format);
    // Writes what is buffered and closes; false (error() says why) when any
    // write failed.
    bool close();

private:
    void note_failure();

    std::string name_;
    std::FILE* file_ = nullptr;
    std::vector<char> buffer_;
    std::string line_;
    std::string error_;
    int failed_errno_ = 0; // of the first call that failed; 0: none failed
};

} // namespace walkers
