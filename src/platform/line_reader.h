#pragma once
// Reading a profile file line by line: one reader for every host file system, over the bytes its
// open file gives.

#include <cstddef>
#include <string>

#include "store/file_system.h"

namespace keyloft::platform {

// A readable file whose lines come through a buffer from readBytes. Lines end with a carriage
// return, a line feed or both; a last line without an end counts. A line past `maxLength` is
// refused (62) and what was read of it is dropped, its memory released.
class LineReader : public ReadableFile {
  public:
    bool readLine(std::string& line, ErrorInfo& error, std::size_t maxLength) final;
    ErrorInfo rewind() final;

  protected:
    // Reads up to `size` bytes into `buffer` and sets `count` to how many came (0 at the end of
    // the file). False on a failure, which is then described in `error`.
    virtual bool readBytes(char* buffer, std::size_t size, std::size_t& count, ErrorInfo& error) = 0;
    // Puts the file back at its first byte.
    virtual ErrorInfo seekToStart() = 0;

  private:
    bool fill(ErrorInfo& error);

    char buffer_[65536];
    std::size_t pos_ = 0;
    std::size_t size_ = 0;
    bool pendingLf_ = false;  // the last line ended with a carriage return: a line feed may follow
};

}  // namespace keyloft::platform
