#include "support/profile_file_edit.h"

#include <sodium.h>

#include <functional>
#include <vector>

#include "crypto/text_cipher.h"
#include "store/profile.h"
#include "store/profile_codec.h"

namespace keyloft::testing {
namespace {

// The file with its version record (line 3) replaced by what `rewrite` makes of its number and
// sum (the plain record text, sum included); empty when line 3 is not a readable version record.
std::string RewriteVersionLine(
    std::string_view fileBytes,
    const std::function<std::u16string(const std::u16string& number, const std::u16string& sum)>& rewrite) {
    std::vector<std::string> lines = SplitFileLines(fileBytes);
    if (lines.size() < 3) {
        return {};
    }
    const KeyLineResult key = DecodeKeyLine(lines[0], lines[1]);
    if (key.rejected || key.sumFailed) {
        return {};
    }
    std::u16string plain = crypto::TryDecryptText(lines[2], key.key).text;
    const std::vector<std::u16string> fields = SplitFields(plain);
    if (fields.size() != 3 || fields[0] != u"8" || !RSumofAC(plain, fields, 2)) {
        return {};
    }
    lines[2] = crypto::TryEncryptText(rewrite(fields[1], fields[2]), key.key);
    return JoinFileLines(lines);
}

}  // namespace

std::string LengthenVersionLine(std::string_view fileBytes) {
    return RewriteVersionLine(fileBytes, [](const std::u16string& number, const std::u16string&) {
        return AppendRecordSum(u"8|" + std::u16string(16, u' ') + number);
    });
}

std::string BreakVersionSum(std::string_view fileBytes) {
    return RewriteVersionLine(fileBytes, [](const std::u16string& number, const std::u16string& sum) {
        return u"8|" + number + u"|" + (sum == u"0" ? u"1" : u"0");
    });
}

std::string WithSealedHeaderVersion(std::string_view sealedFileBytes, std::int32_t version) {
    std::vector<std::string> lines = SplitFileLines(sealedFileBytes);
    bool found = false;
    for (std::string& line : lines) {
        if (line.rfind("version=", 0) == 0) {
            line = "version=" + std::to_string(version);
            found = true;
            break;
        }
    }
    if (!found || lines.size() < 2 || lines.back().rfind("check=", 0) != 0 || sodium_init() < 0) return {};
    // The check line: BLAKE2b-256 of every line above it, each with CR LF, in Base64.
    std::string above;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) above += lines[i] + "\r\n";
    unsigned char hash[32];
    crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(above.data()), above.size(),
                       nullptr, 0);
    char text[sodium_base64_ENCODED_LEN(32, sodium_base64_VARIANT_ORIGINAL)];
    sodium_bin2base64(text, sizeof text, hash, sizeof hash, sodium_base64_VARIANT_ORIGINAL);
    lines.back() = std::string("check=") + text;
    return JoinFileLines(lines);
}

}  // namespace keyloft::testing
