#include "support/profile_file_edit.h"

#include <functional>
#include <vector>

#include "crypto/text_cipher.h"
#include "store/profile.h"
#include "store/profile_codec.h"

namespace keyloft::testing {
namespace {

// The file with its version record (line 3) replaced by what `rewrite` makes of its number and
// sum (the plain record text, sum included); empty when line 3 is not a readable version record.
std::string RewriteVersionLine(std::string_view fileBytes,
                               const std::function<std::u16string(const std::u16string& number,
                                                                  const std::u16string& sum)>& rewrite) {
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

}  // namespace keyloft::testing
