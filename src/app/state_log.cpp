// state_log.cpp - a buffered file of state lines.
#include "app/state_log.h"

#include <cerrno>
#include <cstring>

namespace walkers {

namespace {

constexpr std::size_t LINE_CAPACITY = 1024; // a line of nine walkers takes about 350 bytes

} // namespace

StateLog::StateLog(const std::string& path) : name_(path) {
    file_ = path == "-" ? stdout : std::fopen(path.c_str(), "wb");
    if (!file_) {
        error_ = "cannot write '" + path + "': " + std::strerror(errno);
        return;
    }
    line_.reserve(LINE_CAPACITY);
    if (file_ == stdout) return; // others print there too: its own buffering stays
    buffer_.resize(BUFFER_BYTES);
    std::setvbuf(file_, buffer_.data(), _IOFBF, buffer_.size());
}

StateLog::~StateLog() {
    close();
}

void StateLog::record(const LineFormat& format) {
    if (!file_) return;
    format(line_);
    line_ += '\n';
    if (std::fwrite(line_.data(), 1, line_.size(), file_) != line_.size()) write_failed_ = true;
}

bool StateLog::close() {
    if (!file_) return error_.empty();
    const bool flushed = std::fflush(file_) == 0;
    const int saved_errno = errno;
    const bool closed = file_ == stdout || std::fclose(file_) == 0;
    file_ = nullptr;
    if (write_failed_ || !flushed || !closed)
        error_ = "writing '" + name_ + "' failed: " + std::strerror(flushed ? errno : saved_errno);
    return error_.empty();
}

} // namespace walkers
