#include "platform/line_reader.h"

#include <algorithm>

namespace keyloft::platform {

bool LineReader::readLine(std::string& line, ErrorInfo& error, std::size_t maxLength) {
    line.clear();
    error = ErrorInfo::none();
    bool any = false;
    while (true) {
        if (pos_ == size_) {
            if (!fill(error)) {
                return any && !error.failed();
            }
        }
        if (pendingLf_) {
            pendingLf_ = false;
            if (buffer_[pos_] == '\n') {
                ++pos_;
                continue;
            }
        }
        const char* start = buffer_ + pos_;
        const char* end = buffer_ + size_;
        const char* stop = std::find_if(start, end, [](char c) { return c == '\r' || c == '\n'; });
        if (static_cast<std::size_t>(stop - start) > maxLength - std::min(maxLength, line.size())) {
            line.clear();
            line.shrink_to_fit();
            error = ErrorInfo::of(error::kInputPastEnd);
            return false;
        }
        line.append(start, stop);
        any = true;
        pos_ = static_cast<std::size_t>(stop - buffer_);
        if (stop != end) {
            pendingLf_ = *stop == '\r';
            ++pos_;
            return true;
        }
    }
}

ErrorInfo LineReader::rewind() {
    if (ErrorInfo error = seekToStart(); error.failed()) {
        return error;
    }
    pos_ = size_ = 0;
    pendingLf_ = false;
    return ErrorInfo::none();
}

bool LineReader::fill(ErrorInfo& error) {
    std::size_t count = 0;
    if (!readBytes(buffer_, sizeof buffer_, count, error)) {
        return false;
    }
    pos_ = 0;
    size_ = count;
    return count > 0;
}

}  // namespace keyloft::platform
