// The key slots of the sealed form: Argon2id keys made from the logon or from answers, the data
// key wrapped under them, and the memory keys live in.
#include <sodium.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "store/sealed_encoding.h"
#include "store/sealing_rule.h"
#include "store/secret_memory.h"
#include "store/work_counts.h"

namespace keyloft::sealed {
using namespace detail;
namespace {

std::string SlotAssociatedData(std::string_view label) {
    return std::string(kFirstLine) + " slot " + std::string(label);
}

// What Argon2id gets for the logon slot: the details the logon mode asks for. False for a logon
// mode that opens with nothing, and when one of those details is empty: no slot opens with an
// empty password, and a user ID (or a PIN) that the mode asks for is part of what opens it.
bool LogonInput(std::int32_t logonMode, const LogonValues& values, Wiped& input) {
    if (logonMode < kPasswordOnly || logonMode > kUserIdPasswordAndPin) return false;
    if (values.password.empty() || (logonMode >= kUserIdAndPassword && values.userId.empty()) ||
        (logonMode >= kUserIdPasswordAndPin && values.pin.empty())) {
        return false;
    }
    input.restart(16 + TextBytes(values.userId) + TextBytes(values.password) + TextBytes(values.pin));
    input.bytes = "logon";
    AppendLength(input.bytes, static_cast<std::size_t>(logonMode));
    if (logonMode >= kUserIdAndPassword) AppendText(input.bytes, values.userId);
    AppendText(input.bytes, values.password);
    if (logonMode >= kUserIdPasswordAndPin) AppendText(input.bytes, values.pin);
    return true;
}

// What Argon2id gets for an answer slot. Files of format 2 on take each answer normalised, so that
// "Fluffy" at setup and "fluffy " at logon open the same slot; format 1 took them as typed. False
// when an answer of the combination is empty (or missing): no slot opens with it.
bool AnswersInput(const std::vector<int>& combination, const std::vector<std::u16string>& answers, int format,
                  Wiped& input) {
    std::vector<std::u16string> used;
    for (const std::u16string& answer : answers)
        used.push_back(format >= 2 ? NormaliseAnswer(answer) : answer);
    for (const int question : combination) {
        const auto i = static_cast<std::size_t>(question - 1);
        if (question < 1 || i >= used.size() || used[i].empty()) {
            Wipe(used);
            return false;
        }
    }
    std::size_t capacity = 16;
    for (const std::u16string& answer : used) capacity += 4 + TextBytes(answer);
    input.restart(capacity);
    input.bytes = "answers";
    for (const int question : combination) {
        AppendLength(input.bytes, static_cast<std::size_t>(question));
        const auto i = static_cast<std::size_t>(question - 1);
        AppendText(input.bytes, used[i]);
    }
    Wipe(used);
    return true;
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
    ++ProcessWorkCounts().keyDerivations;
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
    crypto_aead_xchacha20poly1305_ietf_encrypt(U(slot.wrapped), &length, dataKey.data(), Key::kSize, U(ad),
                                               ad.size(), nullptr, U(slot.nonce), wrapping.data());
    slot.wrapped.resize(length);
    return slot;
}

const Slot* FindSlot(const SealedFile& file, std::string_view label) {
    for (const Slot& slot : file.keySlots) {
        if (slot.label == label) return &slot;
    }
    return nullptr;
}

}  // namespace

namespace detail {

std::array<unsigned char, 32> MadeFrom(const Profile& profile) {
    Wiped material;
    std::size_t size = 16 + TextBytes(profile.userId) + TextBytes(profile.password) + TextBytes(profile.pin);
    for (const SecurityQuestion& question : profile.questions)
        size += TextBytes(question.question) + TextBytes(question.answer);
    material.restart(size);
    AppendLength(material.bytes, static_cast<std::size_t>(static_cast<std::uint32_t>(profile.logonMode)));
    AppendText(material.bytes, profile.userId);
    AppendText(material.bytes, profile.password);
    AppendText(material.bytes, profile.pin);
    AppendLength(material.bytes, static_cast<std::size_t>(static_cast<std::uint32_t>(profile.answerMode)));
    for (const SecurityQuestion& question : profile.questions) {
        AppendText(material.bytes, question.question);
        AppendText(material.bytes, question.answer);
    }
    std::array<unsigned char, 32> hash{};
    crypto_generichash(hash.data(), hash.size(), U(material.bytes), material.bytes.size(), nullptr, 0);
    return hash;
}

}  // namespace detail

std::vector<std::vector<int>> AnswerCombinations(std::int32_t answerMode, std::size_t questionCount) {
    const int n = static_cast<int>(std::min<std::size_t>(questionCount, kMaxAnswerRows));
    // As many right answers as the mode asks for: "All Answers" is one slot from all three answers
    // together (with fewer questions there is none, as the usual form cannot open that way either).
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

bool HasAnswerSlot(const SealedFile& file) {
    for (const std::vector<int>& combination : AnswerCombinations(file.answerMode, file.questions.size())) {
        if (FindSlot(file, AnswersLabel(combination)) != nullptr) return true;
    }
    return false;
}

std::unique_ptr<Keys> MakeKeys(const Profile& profile, const std::vector<std::vector<int>>& answerSlots,
                               const Limits& limits) {
    if (!Ready()) return nullptr;
    auto keys = std::make_unique<Keys>();
    randombytes_buf(keys->dataKey.data(), Key::kSize);
    Wiped input;
    const LogonValues stored{profile.userId, profile.password, profile.pin};
    // Never a file that an empty password opens, nor one the logon cannot open.
    if (!LogonInput(profile.logonMode, stored, input)) return nullptr;
    std::optional<Slot> logon = MakeSlot("logon", input, keys->dataKey, limits);
    if (!logon) return nullptr;
    keys->keySlots.push_back(std::move(*logon));
    std::vector<std::u16string> answers;
    for (const SecurityQuestion& question : profile.questions) answers.push_back(question.answer);
    for (const std::vector<int>& combination :
         AnswerCombinations(profile.answerMode, profile.questions.size())) {
        if (std::find(answerSlots.begin(), answerSlots.end(), combination) == answerSlots.end()) continue;
        if (!AnswersInput(combination, answers, kCurrentFormat, input)) continue;
        std::optional<Slot> slot = MakeSlot(AnswersLabel(combination), input, keys->dataKey, limits);
        if (!slot) {
            Wipe(answers);
            return nullptr;
        }
        keys->keySlots.push_back(std::move(*slot));
    }
    Wipe(answers);
    keys->madeFrom = MadeFrom(profile);
    return keys;
}

bool KeysFit(const Keys* keys, const Profile& profile, const std::vector<std::vector<int>>& answerSlots,
             const Limits& limits) {
    if (keys == nullptr || keys->madeFrom != MadeFrom(profile)) return false;
    // Without the password no slot can be made: what opened the file stays.
    if (profile.password.empty()) return true;
    std::vector<std::string> wanted{"logon"};
    for (const std::vector<int>& combination :
         AnswerCombinations(profile.answerMode, profile.questions.size())) {
        if (std::find(answerSlots.begin(), answerSlots.end(), combination) != answerSlots.end())
            wanted.push_back(AnswersLabel(combination));
    }
    std::vector<std::string> held;
    for (const Slot& slot : keys->keySlots) {
        // Slots made with less work than this program asks for now (an older version's, or a file
        // someone lowered) are made again with the current limits.
        if (slot.limits.ops < limits.ops || slot.limits.mem < limits.mem) return false;
        held.push_back(slot.label);
    }
    std::sort(wanted.begin(), wanted.end());
    std::sort(held.begin(), held.end());
    return held == wanted;
}

Limits DefaultLimits() { return {crypto_pwhash_OPSLIMIT_MODERATE, crypto_pwhash_MEMLIMIT_MODERATE}; }

Limits InteractiveLimits() {
    return {crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE};
}

Limits LoadingFloor(const Limits& made) {
    const Limits interactive = InteractiveLimits();
    if (made.ops < interactive.ops || made.mem < interactive.mem)
        return {crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN};
    return interactive;
}

// Guarded memory, kept out of swap where the system allows it, zeroed when freed.
Key::Key() {
    if (sodium_init() < 0) throw std::bad_alloc();
    bytes_ = static_cast<unsigned char*>(sodium_malloc(kSize));
    if (bytes_ == nullptr) throw std::bad_alloc();
    sodium_memzero(bytes_, kSize);
}

Key::~Key() { sodium_free(bytes_); }

Unwrap UnwrapWithLogon(const SealedFile& file, const LogonValues& typed, Key& dataKey) {
    const Slot* slot = FindSlot(file, "logon");
    if (slot == nullptr || file.logonMode < kPasswordOnly || file.logonMode > kUserIdPasswordAndPin)
        return Unwrap::NoSlot;
    Wiped input;
    if (!LogonInput(file.logonMode, typed, input)) return Unwrap::Refused;
    return TryUnwrap(*slot, input, dataKey) ? Unwrap::Opened : Unwrap::Refused;
}

Unwrap UnwrapWithAnswers(const SealedFile& file, const std::vector<std::u16string>& typed, Key& dataKey) {
    Unwrap result = Unwrap::NoSlot;
    for (const std::vector<int>& combination : AnswerCombinations(file.answerMode, file.questions.size())) {
        const Slot* slot = FindSlot(file, AnswersLabel(combination));
        if (slot == nullptr) continue;
        result = Unwrap::Refused;
        Wiped input;
        if (!AnswersInput(combination, typed, file.format, input)) continue;
        if (TryUnwrap(*slot, input, dataKey)) return Unwrap::Opened;
    }
    return result;
}

bool SameLogonSlot(const std::vector<Slot>& before, const std::vector<Slot>& after) {
    const auto logon = [](const std::vector<Slot>& slots) -> const Slot* {
        for (const Slot& slot : slots)
            if (slot.label == "logon") return &slot;
        return nullptr;
    };
    const Slot* a = logon(before);
    const Slot* b = logon(after);
    return a != nullptr && b != nullptr && a->limits.ops == b->limits.ops && a->limits.mem == b->limits.mem &&
           a->salt == b->salt && a->nonce == b->nonce && a->wrapped == b->wrapped;
}

std::unique_ptr<Keys> KeepKeys(const SealedFile& file, const Key& dataKey, const Profile& profile) {
    auto keys = std::make_unique<Keys>();
    std::memcpy(keys->dataKey.data(), dataKey.data(), Key::kSize);
    keys->keySlots = file.keySlots;
    // Slots of an earlier format are made again at the next save, in the current one.
    if (file.format >= kCurrentFormat) keys->madeFrom = MadeFrom(profile);
    return keys;
}

}  // namespace keyloft::sealed
