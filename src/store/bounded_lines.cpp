#include "store/bounded_lines.h"

#include <sodium.h>

#include <algorithm>
#include <new>

namespace keyloft {

struct FingerprintBuilder::Hash {
    crypto_generichash_state state;
};

FingerprintBuilder::FingerprintBuilder() : hash_(std::make_unique<Hash>()) {
    if (sodium_init() < 0) throw std::bad_alloc();
    crypto_generichash_init(&hash_->state, nullptr, 0, std::tuple_size_v<FileFingerprint>);
}

FingerprintBuilder::~FingerprintBuilder() = default;

void FingerprintBuilder::add(std::string_view line) {
    static constexpr unsigned char kEnd = '\n';
    crypto_generichash_update(&hash_->state, reinterpret_cast<const unsigned char*>(line.data()),
                              line.size());
    crypto_generichash_update(&hash_->state, &kEnd, 1);
}

FileFingerprint FingerprintBuilder::result() const {
    crypto_generichash_state copy = hash_->state;
    FileFingerprint out{};
    crypto_generichash_final(&copy, out.data(), out.size());
    return out;
}

bool BoundedLineReader::next(std::string& line, ErrorInfo& error) {
    if (passed_ != ReadLimit::None) {
        error = ErrorInfo::of(error::kInputPastEnd);
        return false;
    }
    // A line may take what is left of the file's bytes, less one for its end.
    const std::uint64_t room = kMaxProfileFileBytes - bytes_;
    const std::size_t longest =
        room == 0 ? 0 : static_cast<std::size_t>(std::min<std::uint64_t>(kMaxProfileLineLength, room - 1));
    if (!file_.readLine(line, error, longest)) {
        if (error.number == error::kInputPastEnd) {
            passed_ = longest == kMaxProfileLineLength ? ReadLimit::LineLength : ReadLimit::FileSize;
        }
        return false;
    }
    ++lines_;
    bytes_ += line.size() + 1;
    if (lines_ > kMaxProfileFileLines || bytes_ > kMaxProfileFileBytes) {
        passed_ = ReadLimit::FileSize;
        line.clear();
        error = ErrorInfo::of(error::kInputPastEnd);
        return false;
    }
    fingerprint_.add(line);
    return true;
}

ReadLimit ReadBoundedLines(ReadableFile& file, std::vector<std::string>& lines, ErrorInfo& error,
                           FileFingerprint* fingerprint) {
    lines.clear();
    error = file.rewind();
    if (error.failed()) return ReadLimit::None;
    BoundedLineReader reader(file);
    std::string line;
    while (reader.next(line, error)) lines.push_back(line);
    if (reader.passed() != ReadLimit::None) {
        std::vector<std::string>().swap(lines);
        return reader.passed();
    }
    if (fingerprint != nullptr) *fingerprint = reader.fingerprint();
    return ReadLimit::None;
}

std::optional<FileFingerprint> FingerprintOf(ReadableFile& file) {
    if (file.rewind().failed()) return std::nullopt;
    BoundedLineReader reader(file);
    std::string line;
    ErrorInfo error;
    while (reader.next(line, error)) {
    }
    const bool whole = !error.failed();
    if (file.rewind().failed() || !whole) return std::nullopt;
    return reader.fingerprint();
}

}  // namespace keyloft
