#include "store/sealed_profile.h"

#include <sodium.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstring>

namespace keyloft::sealed {
namespace {

constexpr char kFormatNumber[] = "1";
constexpr std::size_t kBodyLineLength = 76;
constexpr int kMaxAnswerRows = 3;
constexpr std::size_t kNonceBytes = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
constexpr std::size_t kTagBytes = crypto_aead_xchacha20poly1305_ietf_ABYTES;
constexpr std::size_t kHashBytes = crypto_generichash_BYTES;  // 32: BLAKE2b-256
// Limits a file may ask for: beyond these a slot is refused rather than tried for hours.
constexpr unsigned long long kMaxOps = 64;
constexpr std::size_t kMaxMem = std::size_t{4} << 30;

std::atomic<unsigned long long> testOps{0};
std::atomic<std::size_t> testMem{0};

// Bytes that may hold secrets: zeroed when they go.
struct Wiped {
    std::string bytes;
    Wiped() = default;
    Wiped(const Wiped&) = delete;
    Wiped& operator=(const Wiped&) = delete;
    ~Wiped() { wipe(); }
    // Zeroes what is held and starts again with room for `capacity` bytes, so that appends up to
    // that size leave no copies behind in freed memory.
    void restart(std::size_t capacity) {
        wipe();
        bytes.clear();
        bytes.reserve(capacity);
    }
    void wipe() {
        if (!bytes.empty()) sodium_memzero(bytes.data(), bytes.size());
    }
};

// Bytes that AppendText adds for a text.
std::size_t TextBytes(std::u16string_view text) { return 4 + 2 * text.size(); }

const unsigned char* U(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }
unsigned char* U(std::string& s) { return reinterpret_cast<unsigned char*>(s.data()); }

std::string Random(std::size_t n) {
    std::string bytes(n, '\0');
    randombytes_buf(bytes.data(), n);
    return bytes;
}

// Base64 of the original alphabet with padding (RFC 4648). The texts are cipher texts, salts and
// nonces, nothing secret, so a plain table serves; decoding is strict: only the alphabet, padding
// only at the end, and no bits left over.
constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string ToBase64(std::string_view bin) {
    std::string text((bin.size() + 2) / 3 * 4, '=');
    const auto* in = reinterpret_cast<const unsigned char*>(bin.data());
    std::size_t i = 0;
    std::size_t o = 0;
    for (; i + 3 <= bin.size(); i += 3, o += 4) {
        const unsigned v = (unsigned{in[i]} << 16) | (unsigned{in[i + 1]} << 8) | in[i + 2];
        text[o] = kBase64Alphabet[v >> 18];
        text[o + 1] = kBase64Alphabet[(v >> 12) & 63];
        text[o + 2] = kBase64Alphabet[(v >> 6) & 63];
        text[o + 3] = kBase64Alphabet[v & 63];
    }
    if (i < bin.size()) {
        const bool two = i + 1 < bin.size();
        const unsigned v = (unsigned{in[i]} << 16) | (two ? unsigned{in[i + 1]} << 8 : 0u);
        text[o] = kBase64Alphabet[v >> 18];
        text[o + 1] = kBase64Alphabet[(v >> 12) & 63];
        if (two) text[o + 2] = kBase64Alphabet[(v >> 6) & 63];
    }
    return text;
}

std::optional<std::string> FromBase64(std::string_view text) {
    static const std::array<signed char, 256> values = [] {
        std::array<signed char, 256> table{};
        table.fill(-1);
        for (int v = 0; v < 64; ++v) table[static_cast<unsigned char>(kBase64Alphabet[v])] = static_cast<signed char>(v);
        return table;
    }();
    if (text.size() % 4 != 0) return std::nullopt;
    std::size_t padding = 0;
    if (!text.empty() && text.back() == '=') padding = text[text.size() - 2] == '=' ? 2 : 1;
    std::string bin(text.size() / 4 * 3, '\0');
    const auto value = [&](std::size_t k) { return values[static_cast<unsigned char>(text[k])]; };
    std::size_t o = 0;
    for (std::size_t k = 0; k < text.size(); k += 4, o += 3) {
        const bool last = k + 4 == text.size();
        const int a = value(k);
        const int b = value(k + 1);
        const int c = last && padding == 2 ? 0 : value(k + 2);
        const int d = last && padding >= 1 ? 0 : value(k + 3);
        if ((a | b | c | d) < 0) return std::nullopt;
        const unsigned v = (unsigned(a) << 18) | (unsigned(b) << 12) | (unsigned(c) << 6) | unsigned(d);
        bin[o] = static_cast<char>(v >> 16);
        bin[o + 1] = static_cast<char>((v >> 8) & 0xFF);
        bin[o + 2] = static_cast<char>(v & 0xFF);
        if (last && ((padding == 1 && (d != 0 || (v & 0xFF) != 0)) || (padding == 2 && (v & 0xFFFF) != 0))) {
            return std::nullopt;  // bits beyond the data
        }
    }
    bin.resize(bin.size() - padding);
    return bin;
}

void AppendUnits(std::string& out, std::u16string_view text) {
    std::size_t at = out.size();
    out.resize(at + 2 * text.size());
    for (const char16_t unit : text) {
        out[at++] = static_cast<char>(unit & 0xFF);
        out[at++] = static_cast<char>(unit >> 8);
    }
}

void AppendLength(std::string& out, std::size_t n) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((n >> (8 * i)) & 0xFF);
}

// A text with its length in front, so that no two lists of texts encode alike.
void AppendText(std::string& out, std::u16string_view text) {
    AppendLength(out, text.size());
    AppendUnits(out, text);
}

std::optional<std::u16string> UnitsFrom(std::string_view bytes) {
    if (bytes.size() % 2 != 0) return std::nullopt;
    std::u16string text(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                        (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    }
    return text;
}

std::string Decimal(long long value) { return std::to_string(value); }

template <typename T>
std::optional<T> ParseNumber(std::string_view text, bool allowSign) {
    if (text.empty() || (!allowSign && text.front() == '-')) return std::nullopt;
    T value{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// The value of a "name=value" line, or nullopt when the line is not of that name.
std::optional<std::string_view> Value(std::string_view line, std::string_view name) {
    if (line.size() <= name.size() || line.compare(0, name.size(), name) != 0 || line[name.size()] != '=') {
        return std::nullopt;
    }
    return line.substr(name.size() + 1);
}

bool IsHexLine(std::string_view line) {
    return std::all_of(line.begin(), line.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    });
}

std::string SlotAssociatedData(std::string_view label) { return std::string(kFirstLine) + " slot " + std::string(label); }

std::u16string Field(const std::u16string& record, std::size_t i) {
    const std::vector<std::u16string> fields = SplitFields(record);
    return i < fields.size() ? fields[i] : std::u16string();
}

// What Argon2id gets for the logon slot: the details the logon mode asks for. Nullopt for a logon
// mode that opens with nothing.
bool LogonInput(std::int32_t logonMode, const LogonValues& values, Wiped& input) {
    if (logonMode < kPasswordOnly || logonMode > kUserIdPasswordAndPin) return false;
    input.restart(16 + TextBytes(values.userId) + TextBytes(values.password) + TextBytes(values.pin));
    input.bytes = "logon";
    AppendLength(input.bytes, static_cast<std::size_t>(logonMode));
    if (logonMode >= kUserIdAndPassword) AppendText(input.bytes, values.userId);
    AppendText(input.bytes, values.password);
    if (logonMode >= kUserIdPasswordAndPin) AppendText(input.bytes, values.pin);
    return true;
}

void AnswersInput(const std::vector<int>& combination, const std::vector<std::u16string>& answers, Wiped& input) {
    std::size_t capacity = 16;
    for (const std::u16string& answer : answers) capacity += 4 + TextBytes(answer);
    input.restart(capacity);
    input.bytes = "answers";
    for (const int question : combination) {
        AppendLength(input.bytes, static_cast<std::size_t>(question));
        const auto i = static_cast<std::size_t>(question - 1);
        AppendText(input.bytes, i < answers.size() ? std::u16string_view(answers[i]) : std::u16string_view());
    }
}

// Every choice of as many of the first three questions as the answer mode demands, in order.
std::vector<std::vector<int>> AnswerCombinations(std::int32_t answerMode, std::size_t questionCount) {
    const int n = static_cast<int>(std::min<std::size_t>(questionCount, kMaxAnswerRows));
    const int k = std::max<int>(answerMode, 1);
    std::vector<std::vector<int>> result;
    if (k > n) return result;
    for (int mask = 0; mask < (1 << n); ++mask) {
        if (__builtin_popcount(static_cast<unsigned>(mask)) != k) continue;
        std::vector<int> combination;
        for (int q = 0; q < n; ++q) {
            if (mask & (1 << q)) combination.push_back(q + 1);
        }
        result.push_back(std::move(combination));
    }
    std::sort(result.begin(), result.end());
    return result;
}

std::string AnswersLabel(const std::vector<int>& combination) {
    std::string label = "answers:";
    for (std::size_t i = 0; i < combination.size(); ++i) {
        if (i > 0) label += ',';
        label += Decimal(combination[i]);
    }
    return label;
}

bool Derive(const Wiped& input, const std::string& salt, Limits limits, Key& out) {
    return crypto_pwhash(out.data(), Key::kSize, input.bytes.data(), input.bytes.size(), U(salt), limits.ops,
                         limits.mem, crypto_pwhash_ALG_ARGON2ID13) == 0;
}

bool TryUnwrap(const Slot& slot, const Wiped& input, Key& dataKey) {
    if (slot.wrapped.size() != Key::kSize + kTagBytes) return false;
    Key wrapping;
    if (!Derive(input, slot.salt, slot.limits, wrapping)) return false;
    const std::string ad = SlotAssociatedData(slot.label);
    unsigned long long length = 0;
    return crypto_aead_xchacha20poly1305_ietf_decrypt(dataKey.data(), &length, nullptr, U(slot.wrapped),
                                                      slot.wrapped.size(), U(ad), ad.size(), U(slot.nonce),
                                                      wrapping.data()) == 0 &&
           length == Key::kSize;
}

std::optional<Slot> MakeSlot(std::string label, const Wiped& input, const Key& dataKey, Limits limits) {
    Slot slot;
    slot.label = std::move(label);
    slot.limits = limits;
    slot.salt = Random(crypto_pwhash_SALTBYTES);
    slot.nonce = Random(kNonceBytes);
    Key wrapping;
    if (!Derive(input, slot.salt, limits, wrapping)) return std::nullopt;
    const std::string ad = SlotAssociatedData(slot.label);
    slot.wrapped.assign(Key::kSize + kTagBytes, '\0');
    unsigned long long length = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(U(slot.wrapped), &length, dataKey.data(), Key::kSize, U(ad), ad.size(),
                                               nullptr, U(slot.nonce), wrapping.data());
    slot.wrapped.resize(length);
    return slot;
}

const Slot* FindSlot(const SealedFile& file, std::string_view label) {
    for (const Slot& slot : file.keySlots) {
        if (slot.label == label) return &slot;
    }
    return nullptr;
}

// What the slots depend on: the logon details, the answer mode and the question records.
std::array<unsigned char, 32> MadeFrom(const Profile& profile) {
    Wiped material;
    std::size_t size = 16 + TextBytes(profile.userId) + TextBytes(profile.password) + TextBytes(profile.pin);
    for (const std::u16string& question : profile.questions) size += TextBytes(question);
    material.restart(size);
    AppendLength(material.bytes, static_cast<std::size_t>(static_cast<std::uint32_t>(profile.logonMode)));
    AppendText(material.bytes, profile.userId);
    AppendText(material.bytes, profile.password);
    AppendText(material.bytes, profile.pin);
    AppendLength(material.bytes, static_cast<std::size_t>(static_cast<std::uint32_t>(profile.answerMode)));
    for (const std::u16string& question : profile.questions) AppendText(material.bytes, question);
    std::array<unsigned char, 32> hash{};
    crypto_generichash(hash.data(), hash.size(), U(material.bytes), material.bytes.size(), nullptr, 0);
    return hash;
}

std::unique_ptr<Keys> MakeKeys(const Profile& profile) {
    auto keys = std::make_unique<Keys>();
    randombytes_buf(keys->dataKey.data(), Key::kSize);
    const Limits limits = CurrentLimits();
    Wiped input;
    const LogonValues stored{profile.userId, profile.password, profile.pin};
    if (LogonInput(profile.logonMode, stored, input)) {
        std::optional<Slot> slot = MakeSlot("logon", input, keys->dataKey, limits);
        if (!slot) return nullptr;
        keys->keySlots.push_back(std::move(*slot));
    }
    std::vector<std::u16string> answers;
    for (const std::u16string& question : profile.questions) answers.push_back(Field(question, 2));
    for (const std::vector<int>& combination : AnswerCombinations(profile.answerMode, profile.questions.size())) {
        AnswersInput(combination, answers, input);
        std::optional<Slot> slot = MakeSlot(AnswersLabel(combination), input, keys->dataKey, limits);
        if (!slot) return nullptr;
        keys->keySlots.push_back(std::move(*slot));
    }
    for (std::u16string& answer : answers) sodium_memzero(answer.data(), answer.size() * sizeof(char16_t));
    if (keys->keySlots.empty()) {
        return nullptr;  // nothing could ever open the file: it is not written
    }
    keys->madeFrom = MadeFrom(profile);
    return keys;
}

std::string Checksum(const std::vector<std::string>& lines, std::size_t count) {
    crypto_generichash_state state;
    crypto_generichash_init(&state, nullptr, 0, kHashBytes);
    for (std::size_t i = 0; i < count; ++i) {
        crypto_generichash_update(&state, U(lines[i]), lines[i].size());
        crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>("\r\n"), 2);
    }
    std::string hash(kHashBytes, '\0');
    crypto_generichash_final(&state, U(hash), hash.size());
    return hash;
}

std::string JoinWithEndings(const std::vector<std::string>& lines) {
    std::string joined;
    for (const std::string& line : lines) {
        joined += line;
        joined += "\r\n";
    }
    return joined;
}

}  // namespace

Limits DefaultLimits() { return {crypto_pwhash_OPSLIMIT_MODERATE, crypto_pwhash_MEMLIMIT_MODERATE}; }

Limits CurrentLimits() {
    const unsigned long long ops = testOps.load();
    return ops != 0 ? Limits{ops, testMem.load()} : DefaultLimits();
}

void SetLimitsForTesting(Limits limits) {
    testMem = limits.mem;
    testOps = limits.ops;
}

bool Ready() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

bool LooksSealed(std::string_view firstLine, std::string_view secondLine) {
    if (firstLine == kFirstLine) return true;
    return !IsHexLine(firstLine) && secondLine.find('=') != std::string_view::npos;
}

Key::Key() : bytes_(std::make_unique<std::array<unsigned char, kSize>>()) {
    bytes_->fill(0);
    (void)sodium_mlock(bytes_->data(), kSize);  // refused where the system does not allow it
}

Key::~Key() {
    sodium_memzero(bytes_->data(), kSize);
    (void)sodium_munlock(bytes_->data(), kSize);
}

std::optional<SealedFile> ParseSealedLines(const std::vector<std::string>& lines) {
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
    if (!format || *format != kFormatNumber) return std::nullopt;
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
            parts.push_back(value->substr(start, space == std::string_view::npos ? std::string_view::npos : space - start));
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
        if (!ops || !mem || !salt || !nonce || !wrapped || *ops < crypto_pwhash_OPSLIMIT_MIN || *ops > kMaxOps ||
            *mem < crypto_pwhash_MEMLIMIT_MIN || *mem > kMaxMem || salt->size() != crypto_pwhash_SALTBYTES ||
            nonce->size() != kNonceBytes || wrapped->size() != Key::kSize + kTagBytes) {
            return std::nullopt;
        }
        slot.limits = {*ops, *mem};
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
    file.associatedData = JoinWithEndings(std::vector<std::string>(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(i)));
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

Unwrap UnwrapWithLogon(const SealedFile& file, const LogonValues& typed, Key& dataKey) {
    const Slot* slot = FindSlot(file, "logon");
    Wiped input;
    if (slot == nullptr || !LogonInput(file.logonMode, typed, input)) return Unwrap::NoSlot;
    return TryUnwrap(*slot, input, dataKey) ? Unwrap::Opened : Unwrap::Refused;
}

Unwrap UnwrapWithAnswers(const SealedFile& file, const std::vector<std::u16string>& typed, Key& dataKey) {
    Unwrap result = Unwrap::NoSlot;
    for (const std::vector<int>& combination : AnswerCombinations(file.answerMode, file.questions.size())) {
        const Slot* slot = FindSlot(file, AnswersLabel(combination));
        if (slot == nullptr) continue;
        Wiped input;
        AnswersInput(combination, typed, input);
        if (TryUnwrap(*slot, input, dataKey)) return Unwrap::Opened;
        result = Unwrap::Refused;
    }
    return result;
}

void FillHeaderOnly(const SealedFile& file, Profile& profile) {
    profile.logonMode = file.logonMode;
    profile.answerMode = file.answerMode;
    profile.version = file.version;
    profile.userId.clear();
    profile.password.clear();
    profile.pin.clear();
    profile.categories.clear();
    profile.entries.clear();
    profile.questions.clear();
    for (const std::u16string& question : file.questions) profile.questions.push_back(u"5|" + question + u"|");
}

bool OpenBody(const SealedFile& file, const Key& dataKey, Profile& profile) {
    FillHeaderOnly(file, profile);
    Wiped plain;
    plain.bytes.assign(file.body.size(), '\0');
    unsigned long long length = 0;
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(U(plain.bytes), &length, nullptr, U(file.body), file.body.size(),
                                                   U(file.associatedData), file.associatedData.size(),
                                                   U(file.bodyNonce), dataKey.data()) != 0) {
        return false;
    }
    plain.bytes.resize(length);

    Profile read;
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
        for (int i = 0; i < 4; ++i) units |= static_cast<std::size_t>(static_cast<unsigned char>(plain.bytes[at + i])) << (8 * i);
        at += 4;
        if ((plain.bytes.size() - at) / 2 < units) {
            ok = false;
            break;
        }
        std::optional<std::u16string> record = UnitsFrom(std::string_view(plain.bytes).substr(at, 2 * units));
        at += 2 * units;
        if (record->size() >= 2 && (*record)[0] == u'4' && (*record)[1] == kFieldSeparator) {
            read.entries.push_back(std::move(*record));  // the bulk of a profile: no need to split it
            continue;
        }
        const std::vector<std::u16string> fields = SplitFields(*record);
        if (fields[0] == u"2" && fields.size() == 4 && !sawLogon) {
            read.userId = fields[1];
            read.password = fields[2];
            read.pin = fields[3];
            sawLogon = true;
        } else if (fields[0] == u"3" && fields.size() >= 2) {
            ok = read.categories.add(fields[1], *record);
        } else if (fields[0] == u"5" && fields.size() >= 2) {
            read.questions.push_back(*record);
        } else {
            ok = false;
        }
    }
    ok = ok && sawLogon && read.questions.size() == file.questions.size();
    for (std::size_t q = 0; ok && q < read.questions.size(); ++q) {
        ok = Field(read.questions[q], 1) == file.questions[q];
    }
    if (!ok) return false;
    profile = std::move(read);
    return true;
}

std::unique_ptr<Keys> KeepKeys(const SealedFile& file, const Key& dataKey, const Profile& profile) {
    auto keys = std::make_unique<Keys>();
    std::memcpy(keys->dataKey.data(), dataKey.data(), Key::kSize);
    keys->keySlots = file.keySlots;
    keys->madeFrom = MadeFrom(profile);
    return keys;
}

std::vector<std::string> SealProfile(const Profile& profile, std::int32_t writtenVersion,
                                     std::unique_ptr<Keys>& keys) {
    if (!Ready()) return {};
    if (!keys || keys->madeFrom != MadeFrom(profile)) {
        keys = MakeKeys(profile);
        if (!keys) return {};
    }

    Wiped plain;
    const std::u16string logonRecord = u"2|" + profile.userId + u"|" + profile.password + u"|" + profile.pin;
    std::size_t size = TextBytes(logonRecord);
    for (const CategoryList::Item& category : profile.categories.items()) size += TextBytes(category.record);
    for (const std::u16string& entry : profile.entries) size += TextBytes(entry);
    for (const std::u16string& question : profile.questions) size += TextBytes(question);
    plain.restart(size);
    const auto addRecord = [&plain](std::u16string_view record) { AppendText(plain.bytes, record); };
    addRecord(logonRecord);
    for (const CategoryList::Item& category : profile.categories.items()) addRecord(category.record);
    for (const std::u16string& entry : profile.entries) addRecord(entry);
    for (const std::u16string& question : profile.questions) addRecord(question);

    std::vector<std::string> lines;
    lines.emplace_back(kFirstLine);
    lines.push_back(std::string("format=") + kFormatNumber);
    lines.push_back("version=" + Decimal(writtenVersion));
    lines.push_back("logon=" + Decimal(profile.logonMode));
    lines.push_back("answers=" + Decimal(profile.answerMode));
    for (const std::u16string& question : profile.questions) {
        std::string bytes;
        AppendUnits(bytes, Field(question, 1));
        lines.push_back("question=" + ToBase64(bytes));
    }
    for (const Slot& slot : keys->keySlots) {
        lines.push_back("slot=" + slot.label + " " + Decimal(static_cast<long long>(slot.limits.ops)) + " " +
                        Decimal(static_cast<long long>(slot.limits.mem)) + " " + ToBase64(slot.salt) + " " +
                        ToBase64(slot.nonce) + " " + ToBase64(slot.wrapped));
    }
    const std::string nonce = Random(kNonceBytes);
    lines.push_back("nonce=" + ToBase64(nonce));
    const std::size_t cipherSize = plain.bytes.size() + kTagBytes;
    const std::size_t textSize = (cipherSize + 2) / 3 * 4;
    lines.push_back("body=" + Decimal(static_cast<long long>((textSize + kBodyLineLength - 1) / kBodyLineLength)));
    const std::string associatedData = JoinWithEndings(lines);

    std::string cipher(cipherSize, '\0');
    unsigned long long length = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(U(cipher), &length, U(plain.bytes), plain.bytes.size(),
                                               U(associatedData), associatedData.size(), nullptr, U(nonce),
                                               keys->dataKey.data());
    const std::string text = ToBase64(cipher);
    for (std::size_t at = 0; at < text.size(); at += kBodyLineLength) lines.push_back(text.substr(at, kBodyLineLength));
    lines.push_back("check=" + ToBase64(Checksum(lines, lines.size())));
    return lines;
}

}  // namespace keyloft::sealed
