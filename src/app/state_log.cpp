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
    if (std::fwrite(line_.data(), 1, line_.size(), file_) != line_.size()) note_failure();
}

// The first failure's reason is the one told: errno means nothing once other
// calls (Qt's, between frames) have run.
void StateLog::note_failure() {
    if (failed_errno_ == 0) failed_errno_ = errno != 0 ? errno : EIO;
}

bool StateLog::close() {
    if (!file_) return error_.empty();
    if (std::fflush(file_) != 0) note_failure();
    if (file_ != stdout && std::fclose(file_) != 0) note_failure();
    file_ = nullptr;
    if (failed_errno_ != 0)
        error_ = "cannot write '" + name_ + "': " + std::strerror(failed_errno_);
    return error_.empty();
}

} // namespace walkers
