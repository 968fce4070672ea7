#include "support/profile_file_edit.h"

#include <vector>

#include "crypto/text_cipher.h"
#include "store/profile.h"
#include "store/profile_codec.h"

namespace keyloft::testing {

std::string LengthenVersionLine(std::string_view fileBytes) {
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
    const std::u16string longer = u"8|" + std::u16string(16, u' ') + fields[1];
    lines[2] = crypto::TryEncryptText(AppendRecordSum(longer), key.key);
    return JoinFileLines(lines);
}

std::string BreakVersionSum(std::string_view fileBytes) {
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
    const std::u16string wrongSum = fields[2] == u"0" ? u"1" : u"0";
    lines[2] = crypto::TryEncryptText(u"8|" + fields[1] + u"|" + wrongSum, key.key);
    return JoinFileLines(lines);
}

}  // namespace keyloft::testing
