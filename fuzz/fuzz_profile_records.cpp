// The records of a profile, below its cipher: each input line (UTF-8) is a record's plain text,
// which this target encrypts the way a save does (profile key, key line from line 2), so that the
// decoder's record checks are reached by every input rather than by the few that decrypt.
// Two shorthands let changed inputs still load: a line ending in "|#" gets its record sum in place
// of the "#", and a last line "7" becomes the trailer that matches the file.
// See profile_checks.h for what is checked.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "crypto/text_cipher.h"
#include "profile_checks.h"
#include "store/profile_codec.h"
#include "store/text_convert.h"

namespace {

std::vector<std::string_view> InputLines(std::string_view bytes) {
    std::vector<std::string_view> lines;
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        lines.push_back(bytes.substr(0, end));
        if (end == std::string_view::npos) break;
        bytes.remove_prefix(end + 1);
    }
    return lines;
}

// "7|line count|total length", the total counting the trailer's own cipher text.
std::string TrailerLine(const std::vector<std::string>& lines, std::u16string_view key) {
    std::size_t before = 0;
    for (const std::string& line : lines) before += line.size();
    std::size_t guess = 64;
    for (int tries = 0; tries < 4; ++tries) {
        const std::string text =
            "7|" + std::to_string(lines.size() + 1) + "|" + std::to_string(before + guess);
        std::string cipher = keyloft::crypto::TryEncryptText(keyloft::WidenBytes(text), key);
        if (cipher.size() == guess || cipher.empty()) return cipher;
        guess = cipher.size();
    }
    return {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace keyloft;
    const std::vector<std::string_view> records =
        InputLines(std::string_view(reinterpret_cast<const char*>(data), size));
    if (records.empty() || records.size() > 256) return 0;

    const std::string key = MakeProfileKey(KeyTimeText(3723.25));
    const std::u16string keyPassword = WidenBytes(key);
    std::vector<std::string> lines;
    lines.emplace_back();  // the key line, made once line 2 is known
    const bool trailer = records.size() > 1 && records.back() == "7";
    const std::size_t count = trailer ? records.size() - 1 : records.size();
    for (std::size_t i = 0; i < count; ++i) {
        std::u16string text = Utf8ToUtf16(records[i]);
        if (text.size() >= 2 && text.ends_with(u"|#")) {
            text = AppendRecordSum(std::u16string_view(text).substr(0, text.size() - 2));
        }
        std::string line = crypto::TryEncryptText(text, keyPassword);
        if (line.empty()) return 0;  // an empty record has no cipher text
        lines.push_back(std::move(line));
    }
    lines[0] = crypto::TryEncryptText(AppendRecordSum(keyPassword), WidenBytes(lines[1]));
    if (trailer) {
        std::string line = TrailerLine(lines, keyPassword);
        if (line.empty()) return 0;
        lines.push_back(std::move(line));
    }
    fuzz::CheckProfileFile(JoinFileLines(lines));
    return 0;
}
