// A sealed profile file as it sits in the shared folder. The first byte picks what is fuzzed:
//   even: the file. The check line is made again over the lines above it, so that the input reaches
//         the header, framing and slot parsers as a file changed on purpose would. A file that
//         parses and whose slots ask for the least limits is tried with the seeds' logon and
//         answers, and its body opened with the key a slot gives.
//   odd:  the body's plain text (length-prefixed UTF-16 records). It is encrypted under a fixed key
//         with a fixed header and opened, so that the record reader sees any content that
//         authenticates, which no change to a file on disk can reach without a key.
// Nothing may crash, leak or hang; a body that opens must hold the header's questions.

#include <sodium.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "store/profile_codec.h"
#include "store/sealed_profile.h"

namespace {

using namespace keyloft;

// What the seeds are sealed with (fuzz/make_seeds.cpp).
const sealed::LogonValues kLogon{u"alice", u"tundra velvet 93 quill", u"1234"};
const std::vector<std::u16string> kAnswers{u"Rex", u"Bern", u"Oslo"};

std::string CheckLine(const std::vector<std::string>& lines) {
    std::string joined;
    for (const std::string& line : lines) joined += line + "\r\n";
    unsigned char hash[crypto_generichash_BYTES];
    crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(joined.data()),
                       joined.size(), nullptr, 0);
    char text[sodium_base64_ENCODED_LEN(crypto_generichash_BYTES, sodium_base64_VARIANT_ORIGINAL)];
    sodium_bin2base64(text, sizeof text, hash, sizeof hash, sodium_base64_VARIANT_ORIGINAL);
    return std::string("check=") + text;
}

void CheckOpened(const sealed::SealedFile& file, const Profile& profile) {
    if (profile.questions.size() != file.questions.size()) std::abort();
    for (std::size_t i = 0; i < file.questions.size(); ++i) {
        if (profile.questions[i].question != file.questions[i]) std::abort();
    }
}

void FuzzFile(std::string_view bytes) {
    std::vector<std::string> lines = SplitFileLines(bytes);
    if (lines.empty()) return;
    if (lines.back().rfind("check=", 0) == 0) lines.pop_back();
    lines.push_back(CheckLine(lines));
    const std::optional<sealed::SealedFile> file = sealed::ParseSealedLines(lines, sealed::Limits{1, 8192});
    if (!file) return;
    Profile profile;
    sealed::FillHeaderOnly(*file, profile);
    for (const sealed::Slot& slot : file->keySlots) {
        if (slot.limits.ops > crypto_pwhash_OPSLIMIT_MIN || slot.limits.mem > crypto_pwhash_MEMLIMIT_MIN)
            return;
    }
    sealed::Key dataKey;
    const bool opened = sealed::UnwrapWithLogon(*file, kLogon, dataKey) == sealed::Unwrap::Opened ||
                        sealed::UnwrapWithAnswers(*file, kAnswers, dataKey) == sealed::Unwrap::Opened;
    if (opened && sealed::OpenBody(*file, dataKey, profile, &kLogon)) CheckOpened(*file, profile);
}

void FuzzBody(std::string_view plain, bool earlierFormat) {
    sealed::SealedFile file;
    file.format = earlierFormat ? 1 : 2;
    file.version = 3;
    file.logonMode = kUserIdPasswordAndPin;
    file.answerMode = kOneAnswer;
    file.questions = {u"First pet?"};
    file.bodyNonce.assign(crypto_aead_xchacha20poly1305_ietf_NPUBBYTES, '\x07');
    file.associatedData = "KEYLOFT SEALED 1\r\n";
    sealed::Key key;
    std::memset(key.data(), 0x42, sealed::Key::kSize);
    file.body.assign(plain.size() + crypto_aead_xchacha20poly1305_ietf_ABYTES, '\0');
    unsigned long long length = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(
        reinterpret_cast<unsigned char*>(file.body.data()), &length,
        reinterpret_cast<const unsigned char*>(plain.data()), plain.size(),
        reinterpret_cast<const unsigned char*>(file.associatedData.data()), file.associatedData.size(),
        nullptr, reinterpret_cast<const unsigned char*>(file.bodyNonce.data()), key.data());
    Profile profile;
    if (sealed::OpenBody(file, key, profile, &kLogon)) CheckOpened(file, profile);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || !sealed::Ready()) return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    if (data[0] % 2 == 0) {
        FuzzFile(rest);
    } else {
        FuzzBody(rest, (data[0] & 2) != 0);
    }
    return 0;
}
