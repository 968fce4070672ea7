#pragma once
// Reading a file of the database folder line by line within the limits of store/read_limits.h,
// and the fingerprint of what was read: a save tells by it whether the file it holds is still the
// one it loaded, even when something wrote the same version into it in place.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/file_system.h"
#include "store/read_limits.h"

namespace keyloft {

// Which limit a file passed.
enum class ReadLimit { None, LineLength, FileSize };

// BLAKE2b-256 of a file's lines as read, each followed by one line end.
using FileFingerprint = std::array<unsigned char, 32>;

// The fingerprint of lines given one at a time, as a writer writes them or a reader reads them.
class FingerprintBuilder {
  public:
    FingerprintBuilder();
    ~FingerprintBuilder();
    FingerprintBuilder(const FingerprintBuilder&) = delete;
    FingerprintBuilder& operator=(const FingerprintBuilder&) = delete;
    void add(std::string_view line);
    FileFingerprint result() const;

  private:
    struct Hash;
    std::unique_ptr<Hash> hash_;
};

class BoundedLineReader {
  public:
    explicit BoundedLineReader(ReadableFile& file) : file_(file) {}
    BoundedLineReader(const BoundedLineReader&) = delete;
    BoundedLineReader& operator=(const BoundedLineReader&) = delete;

    // The next line, as ReadableFile::readLine reads it. False at the end of the file, on a
    // failure (described in `error`), and as soon as the file passes a limit: then `error` is 62
    // ("Input past end of file"), passed() says which limit, and no more of the file is held.
    bool next(std::string& line, ErrorInfo& error);
    ReadLimit passed() const { return passed_; }
    std::size_t lines() const { return lines_; }
    // Of the lines read so far.
    FileFingerprint fingerprint() const { return fingerprint_.result(); }

  private:
    ReadableFile& file_;
    FingerprintBuilder fingerprint_;
    std::uint64_t bytes_ = 0;
    std::size_t lines_ = 0;
    ReadLimit passed_ = ReadLimit::None;
};

// Every line of the file from its first, within the limits: ReadLimit::None when all were read
// (or reading failed: see `error`), otherwise the limit passed, with `lines` emptied.
ReadLimit ReadBoundedLines(ReadableFile& file, std::vector<std::string>& lines, ErrorInfo& error,
                           FileFingerprint* fingerprint = nullptr);

// The fingerprint of the whole file, read from its first line within the limits, and the file put
// back at its first line. Nothing when it cannot be read so.
std::optional<FileFingerprint> FingerprintOf(ReadableFile& file);

}  // namespace keyloft
