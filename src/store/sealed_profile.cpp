#include "store/sealed_profile.h"

#include <sodium.h>

#include <algorithm>
#include <charconv>
#include <cstring>

#include "store/profile_codec.h"
#include "store/sealed_encoding.h"
#include "store/secret_memory.h"

namespace keyloft::sealed {
using namespace detail;
namespace {

constexpr std::size_t kBodyLineLength = 76;
// The label of the slot line that holds the profile's identity.
constexpr char kIdentityLabel[] = "profile";

std::string HexOf(std::string_view bytes) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const char byte : bytes) {
        hex += kDigits[static_cast<unsigned char>(byte) >> 4];
        hex += kDigits[static_cast<unsigned char>(byte) & 15];
    }
    return hex;
}

// The 16 bytes of an identity's 32 hexadecimal digits.
std::optional<std::string> BytesOfHex(std::string_view identity) {
    if (!IsProfileIdentity(identity)) return std::nullopt;
    std::string bytes;
    const auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
    for (std::size_t i = 0; i < identity.size(); i += 2)
        bytes += static_cast<char>(digit(identity[i]) * 16 + digit(identity[i + 1]));
    return bytes;
}
// Limits a file may ask for: beyond these a slot is refused (the file is damaged) rather than tried
// for minutes with gigabytes of memory. The program's own slots use a quarter of the memory.
constexpr unsigned long long kMaxOps = 10;
constexpr std::size_t kMaxMem = std::size_t{1} << 30;

// Bytes AppendText adds for a record of that many code units.
std::size_t RecordBytes(std::size_t units) { return 4 + 2 * units; }
std::size_t LogonRecordLength(const Profile& p) { return 4 + p.userId.size(); }
std::size_t EntryRecordLength(const Entry& e) {
    return 9 + e.category.size() + e.description.size() + e.userCode.size() + e.password.size() +
           e.notes.size() + e.expiryDate.size() + e.webSite.size() + e.email.size();
}

}  // namespace

bool Ready() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

bool LooksSealed(std::string_view firstLine, std::string_view secondLine) {
    if (firstLine == kFirstLine) return true;
    return !IsHexLine(firstLine) && secondLine.find('=') != std::string_view::npos;
}

std::optional<SealedFile> ParseSealedLines(const std::vector<std::string>& lines, const Limits& floor) {
    if (!Ready() || lines.size() < 8 || lines[0] != kFirstLine) return std::nullopt;
    const std::optional<std::string_view> check = Value(lines.back(), "check");
    if (!check) return std::nullopt;
    const std::optional<std::string> stored = FromBase64(*check);
    const std::string computed = Checksum(lines, lines.size() - 1);
    if (!stored || stored->size() != computed.size() ||
        sodium_memcmp(stored->data(), computed.data(), computed.size()) != 0) {
        return std::nullopt;
    }

    SealedFile file;
    std::size_t i = 1;
    const auto next = [&](std::string_view name) -> std::optional<std::string_view> {
        if (i + 1 >= lines.size()) return std::nullopt;
        const std::optional<std::string_view> value = Value(lines[i], name);
        if (value) ++i;
        return value;
    };
    const std::optional<std::string_view> format = next("format");
    if (!format || (*format != "1" && *format != "2")) return std::nullopt;
    file.format = *format == "1" ? 1 : 2;
    std::optional<std::int32_t> number;
    for (auto [name, target] : {std::pair{"version", &file.version}, std::pair{"logon", &file.logonMode},
                                std::pair{"answers", &file.answerMode}}) {
        const std::optional<std::string_view> value = next(name);
        if (!value || !(number = ParseNumber<std::int32_t>(*value, true))) return std::nullopt;
        *target = *number;
    }
    while (const std::optional<std::string_view> value = next("question")) {
        const std::optional<std::string> bytes = FromBase64(*value);
        const std::optional<std::u16string> text = bytes ? UnitsFrom(*bytes) : std::nullopt;
        if (!text) return std::nullopt;
        file.questions.push_back(*text);
    }
    while (const std::optional<std::string_view> value = next("slot")) {
        std::vector<std::string_view> parts;
        std::size_t start = 0;
        while (true) {
            const std::size_t space = value->find(' ', start);
            parts.push_back(value->substr(
                start, space == std::string_view::npos ? std::string_view::npos : space - start));
            if (space == std::string_view::npos) break;
            start = space + 1;
        }
        if (parts.size() != 6) return std::nullopt;
        Slot slot;
        slot.label = std::string(parts[0]);
        const auto ops = ParseNumber<unsigned long long>(parts[1], false);
        const auto mem = ParseNumber<std::size_t>(parts[2], false);
        auto salt = FromBase64(parts[3]);
        auto nonce = FromBase64(parts[4]);
        auto wrapped = FromBase64(parts[5]);
        const unsigned long long leastOps =
            std::max<unsigned long long>(floor.ops, crypto_pwhash_OPSLIMIT_MIN);
        const std::size_t leastMem = std::max<std::size_t>(floor.mem, crypto_pwhash_MEMLIMIT_MIN);
        if (!ops || !mem || !salt || !nonce || !wrapped || *ops < leastOps || *ops > kMaxOps ||
            *mem < leastMem || *mem > kMaxMem || salt->size() != crypto_pwhash_SALTBYTES ||
            nonce->size() != kNonceBytes || wrapped->size() != Key::kSize + kTagBytes) {
            return std::nullopt;
        }
        slot.limits = {*ops, *mem};
        if (slot.label == kIdentityLabel) {
            if (file.identity.empty()) file.identity = HexOf(*salt);
            continue;
        }
        slot.salt = std::move(*salt);
        slot.nonce = std::move(*nonce);
        slot.wrapped = std::move(*wrapped);
        file.keySlots.push_back(std::move(slot));
    }
    const std::optional<std::string_view> nonce = next("nonce");
    const std::optional<std::string> nonceBytes = nonce ? FromBase64(*nonce) : std::nullopt;
    if (!nonceBytes || nonceBytes->size() != kNonceBytes) return std::nullopt;
    file.bodyNonce = *nonceBytes;
    const std::optional<std::string_view> body = next("body");
    const std::optional<std::size_t> bodyLines = body ? ParseNumber<std::size_t>(*body, false) : std::nullopt;
    // The body lines and the check line are all that follow.
    if (!bodyLines || *bodyLines == 0 || *bodyLines != lines.size() - 1 - i) return std::nullopt;
    file.associatedData = JoinWithEndings(
        std::vector<std::string>(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(i)));
    std::string text;
    text.reserve(*bodyLines * kBodyLineLength);
    for (std::size_t k = i; k + 1 < lines.size(); ++k) {
        // Every line but the last is full.
        if (lines[k].empty() || lines[k].size() > kBodyLineLength ||
            (k + 2 < lines.size() && lines[k].size() != kBodyLineLength)) {
            return std::nullopt;
        }
        text += lines[k];
    }
    std::optional<std::string> cipher = FromBase64(text);
    if (!cipher || cipher->size() < kTagBytes) return std::nullopt;
    file.body = std::move(*cipher);
    return file;
}

void FillHeaderOnly(const SealedFile& file, Profile& profile) {
    profile.identity = file.identity;
    profile.logonMode = file.logonMode;
    profile.answerMode = file.answerMode;
    profile.version = file.version;
    profile.userId.clear();
    profile.password.clear();
    profile.pin.clear();
    profile.categories.clear();
    profile.entries.clear();
    profile.questions.clear();
    for (const std::u16string& question : file.questions)
        profile.questions.push_back(SecurityQuestion{question, {}});
}

bool OpenBody(const SealedFile& file, const Key& dataKey, Profile& profile, const LogonValues* known) {
    FillHeaderOnly(file, profile);
    Wiped plain;
    plain.bytes.assign(file.body.size(), '\0');
    unsigned long long length = 0;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(
            U(plain.bytes), &length, nullptr, U(file.body), file.body.size(), U(file.associatedData),
            file.associatedData.size(), U(file.bodyNonce), dataKey.data()) != 0) {
        return false;
    }
    plain.bytes.resize(length);

    Profile read;
    read.identity = file.identity;
    read.logonMode = file.logonMode;
    read.answerMode = file.answerMode;
    read.version = file.version;
    bool sawLogon = false;
    bool ok = true;
    std::size_t at = 0;
    while (ok && at < plain.bytes.size()) {
        if (plain.bytes.size() - at < 4) {
            ok = false;
            break;
        }
        std::size_t units = 0;
        for (int i = 0; i < 4; ++i)
            units |= static_cast<std::size_t>(static_cast<unsigned char>(plain.bytes[at + i])) << (8 * i);
        at += 4;
        if ((plain.bytes.size() - at) / 2 < units) {
            ok = false;
            break;
        }
        std::optional<std::u16string> record = UnitsFrom(std::string_view(plain.bytes).substr(at, 2 * units));
        at += 2 * units;
        // Entries, categories and questions as every earlier writer made them: a record may have
        // fewer fields (the missing ones are empty), as a profile first read from the usual form can.
        std::vector<std::u16string> fields = SplitFields(*record);
        Wipe(*record);
        if (fields[0] == u"4" && fields.size() >= 2) {
            read.entries.push_back(EntryFromFields(std::move(fields)));
        } else if (fields[0] == u"2" && fields.size() == 4 && !sawLogon) {
            read.userId = std::move(fields[1]);
            read.password = std::move(fields[2]);
            read.pin = std::move(fields[3]);
            sawLogon = true;
        } else if (fields[0] == u"3" && fields.size() >= 2) {
            ok = read.categories.add(std::move(fields[1]));
        } else if (fields[0] == u"5" && fields.size() >= 2) {
            fields.resize(std::max<std::size_t>(fields.size(), 3));
            read.questions.push_back(SecurityQuestion{std::move(fields[1]), std::move(fields[2])});
        } else {
            ok = false;
        }
        Wipe(fields);
    }
    ok = ok && sawLogon && read.questions.size() == file.questions.size();
    if (ok && file.format >= 2) {
        if (known != nullptr) {
            read.password = known->password;
            read.pin = known->pin;
        }
    }
    for (std::size_t q = 0; ok && q < read.questions.size(); ++q) {
        ok = read.questions[q].question == file.questions[q];
    }
    if (!ok) {
        Wipe(read);
        return false;
    }
    profile = std::move(read);
    return true;
}

std::vector<std::string> SealProfile(const Profile& profile, std::int32_t writtenVersion,
                                     std::unique_ptr<Keys>& keys, const Limits& limits,
                                     const std::vector<std::vector<int>>& answerSlots) {
    if (!Ready()) return {};
    if (!KeysFit(keys.get(), profile, answerSlots, limits)) {
        keys = MakeKeys(profile, answerSlots, limits);
        if (!keys) return {};
    }

    // The records as the usual form writes them, each with its length in front.
    Wiped plain;
    std::size_t size = RecordBytes(LogonRecordLength(profile));
    for (const Category& category : profile.categories) size += RecordBytes(category.name.size() + 2);
    for (const Entry& entry : profile.entries) size += RecordBytes(EntryRecordLength(entry));
    for (const SecurityQuestion& question : profile.questions)
        size += RecordBytes(question.question.size() + question.answer.size() + 4);
    plain.restart(size);
    const auto addRecord = [&plain](std::u16string record) {
        AppendText(plain.bytes, record);
        Wipe(record);
    };
    Profile logonOnly;  // the user ID alone: the password and the PIN stay out of the body
    logonOnly.userId = profile.userId;
    addRecord(LogonRecord(logonOnly));
    for (const Category& category : profile.categories) addRecord(CategoryRecord(category));
    for (const Entry& entry : profile.entries) addRecord(EntryRecord(entry));
    for (const SecurityQuestion& question : profile.questions) addRecord(QuestionRecord(question));

    std::vector<std::string> lines;
    lines.emplace_back(kFirstLine);
    lines.push_back("format=" + Decimal(kCurrentFormat));
    lines.push_back("version=" + Decimal(writtenVersion));
    lines.push_back("logon=" + Decimal(profile.logonMode));
    lines.push_back("answers=" + Decimal(profile.answerMode));
    for (const SecurityQuestion& question : profile.questions) {
        std::string bytes;
        AppendUnits(bytes, question.question);
        lines.push_back("question=" + ToBase64(bytes));
    }
    for (const Slot& slot : keys->keySlots) {
        lines.push_back("slot=" + slot.label + " " + Decimal(static_cast<long long>(slot.limits.ops)) + " " +
                        Decimal(static_cast<long long>(slot.limits.mem)) + " " + ToBase64(slot.salt) + " " +
                        ToBase64(slot.nonce) + " " + ToBase64(slot.wrapped));
    }
    if (const std::optional<std::string> identity = BytesOfHex(profile.identity);
        identity && !keys->keySlots.empty()) {
        const Limits& limits = keys->keySlots.back().limits;
        lines.push_back("slot=" + std::string(kIdentityLabel) + " " +
                        Decimal(static_cast<long long>(limits.ops)) + " " +
                        Decimal(static_cast<long long>(limits.mem)) + " " + ToBase64(*identity) + " " +
                        ToBase64(std::string(kNonceBytes, '\0')) + " " +
                        ToBase64(std::string(Key::kSize + kTagBytes, '\0')));
    }
    const std::string nonce = Random(kNonceBytes);
    lines.push_back("nonce=" + ToBase64(nonce));
    const std::size_t cipherSize = plain.bytes.size() + kTagBytes;
    const std::size_t textSize = (cipherSize + 2) / 3 * 4;
    lines.push_back("body=" +
                    Decimal(static_cast<long long>((textSize + kBodyLineLength - 1) / kBodyLineLength)));
    const std::string associatedData = JoinWithEndings(lines);

    std::string cipher(cipherSize, '\0');
    unsigned long long length = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(U(cipher), &length, U(plain.bytes), plain.bytes.size(),
                                               U(associatedData), associatedData.size(), nullptr, U(nonce),
                                               keys->dataKey.data());
    const std::string text = ToBase64(cipher);
    for (std::size_t at = 0; at < text.size(); at += kBodyLineLength)
        lines.push_back(text.substr(at, kBodyLineLength));
    lines.push_back("check=" + ToBase64(Checksum(lines, lines.size())));
    return lines;
}

}  // namespace keyloft::sealed
