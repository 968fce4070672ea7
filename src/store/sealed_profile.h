#pragma once
// The sealed form of a profile file: a text file whose records can only be read with the logon or
// with the answers to the security questions.
//
//   KEYLOFT SEALED 1
//   format=2                                                 1: files of earlier versions
//   version=<profile version>
//   logon=<logon mode>
//   answers=<answer mode>
//   question=<Base64 of the question text, UTF-16LE>        one line per question, in order
//   slot=<label> <ops> <mem> <salt> <nonce> <wrapped key>     "logon", "answers:1,3", ...
//   slot=profile <ops> <mem> <identity> <zeros> <zeros>       the profile's identity (see below)
//   nonce=<Base64 of the body's nonce>
//   body=<number of body lines>
//   <the body: Base64 lines of at most 76 characters>
//   check=<Base64 of the BLAKE2b-256 hash of every line above, each followed by CR LF>
//
// The body is the profile's records (the logon record, categories, entries and questions with
// their answers, in the usual record texts) encrypted with XChaCha20-Poly1305 under a random
// 256-bit data key; everything above the body is its associated data. Each key slot holds the data
// key encrypted with XChaCha20-Poly1305 under a key that Argon2id makes from the logon details
// (slot "logon") or from one combination of answers (slot "answers:i,j"), with the salt and the
// limits stored in the slot. A combination of answers gets a slot only when its answers reach the
// floor of store/sealing_rule.h, so a file may have fewer answer slots than its answer mode has
// combinations, or none; the slots' form is the same as before that rule, and files written
// without it open as ever and get the rule's slots at their next save once the password is known.
// Since format 2 the logon record in the body holds the user ID only:
// the slot that opens is the proof of the password and the PIN, and whoever breaks an answer slot
// learns nothing of them. Answers are normalised (NormaliseAnswer, store/sealing_rule.h) before a
// key is made from them. Format 1 files keep the password and the PIN in the body and take the
// answers as typed; they open as before and are written in format 2 at their next save. The check
// line finds a damaged file without a key; a file changed on
// purpose fails the authentication of its slot or of its body.
//
// The profile's identity (Profile::identity, its 16 bytes in Base64) stands in the header as a
// slot that nothing opens, with the limits of the slot before it: readers from before it was
// written take it for a slot of a logon they never try, so they open such a file as ever, and
// keep the line while they keep the slots. Like every header line it is covered by the body's
// authentication: it cannot be changed without the data key.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/profile.h"
#include "store/sealing_limits.h"

namespace keyloft::sealed {

inline constexpr char kFirstLine[] = "KEYLOFT SEALED 1";

// Initialises libsodium once; false when it cannot be used (nothing can be sealed or opened).
bool Ready();

// True when the file's first two lines say it is in the sealed form (or was, before it was
// damaged): the first line is the sealed form's, or it is not hexadecimal text while the second
// line is a "name=value" line. A file in the usual form holds nothing but hexadecimal lines.
bool LooksSealed(std::string_view firstLine, std::string_view secondLine);

// Memory for keys: locked where the system allows, zeroed when freed.
class Key {
  public:
    static constexpr std::size_t kSize = 32;
    Key();
    ~Key();
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    unsigned char* data() { return bytes_; }
    const unsigned char* data() const { return bytes_; }

  private:
    unsigned char* bytes_ = nullptr;  // sodium_malloc'ed
};

struct Slot {
    std::string label;  // "logon", or "answers:" and the 1-based question numbers, ascending
    Limits limits;
    std::string salt;     // crypto_pwhash_SALTBYTES
    std::string nonce;    // crypto_aead_xchacha20poly1305_ietf_NPUBBYTES
    std::string wrapped;  // the data key and its tag
};

// What the header and the framing of a sealed file hold; the body is still encrypted.
struct SealedFile {
    int format = 0;
    std::string identity;  // Profile::identity; empty when the header holds none
    std::int32_t version = 0;
    std::int32_t logonMode = 0;
    std::int32_t answerMode = 0;
    std::vector<std::u16string> questions;  // the question texts
    std::vector<Slot> keySlots;
    std::string bodyNonce;
    std::string body;            // cipher text with its tag
    std::string associatedData;  // the lines above the body, each followed by CR LF
};

// Parses the lines of a file (without line endings). Nullopt when anything of the header, the
// framing or the check line is wrong, or a slot asks for less than `floor` or for more than 10
// passes or 1 GiB: the file is damaged.
std::optional<SealedFile> ParseSealedLines(const std::vector<std::string>& lines,
                                           const Limits& floor = InteractiveLimits());

// The typed values a logon step tries, trimmed by the caller.
struct LogonValues {
    std::u16string userId;
    std::u16string password;
    std::u16string pin;
};

// The data key and the slots of the loaded sealed profile, and what the slots were made from.
struct Keys {
    Key dataKey;
    std::vector<Slot> keySlots;
    std::array<unsigned char, 32> madeFrom{};  // hash of the logon details, questions and answers
};

enum class Unwrap { Opened, NoSlot, Refused };

// True when both hold a logon slot and it is the same slot, byte for byte (its limits included):
// the logon that opened one opens the other, to the same data key.
bool SameLogonSlot(const std::vector<Slot>& before, const std::vector<Slot>& after);

// Tries the logon slot with the details the logon mode asks for; an empty password, or an empty
// user ID or PIN that the mode asks for, is refused without a try.
Unwrap UnwrapWithLogon(const SealedFile& file, const LogonValues& typed, Key& dataKey);
// Tries every answer slot with the typed answers (one per question row, in question order); a slot
// whose combination holds an empty answer is not tried.
Unwrap UnwrapWithAnswers(const SealedFile& file, const std::vector<std::u16string>& typed, Key& dataKey);

// Decrypts the body with the data key and fills the Profile (its header values included); the
// password and the PIN are `known`'s (the values that opened the logon slot; null after a logon
// with answers leaves them empty) unless the body holds them (format 1). False
// when the body does not authenticate or does not hold well-formed records: the file is damaged,
// and `profile` is left with empty collections and no logon details.
bool OpenBody(const SealedFile& file, const Key& dataKey, Profile& profile, const LogonValues* known);

// Keys for a Profile opened with `dataKey` from `file`: the file's slots are kept, unless the file
// is of an earlier format (then the next save makes new ones).
std::unique_ptr<Keys> KeepKeys(const SealedFile& file, const Key& dataKey, const Profile& profile);

// Every choice of as many of the first three questions as the answer mode demands, in order (1-based
// question numbers); "All Answers" is one choice of all three, none with fewer questions.
std::vector<std::vector<int>> AnswerCombinations(std::int32_t answerMode, std::size_t questionCount);
// True when the file has a slot that answers open (the answer mode's own combinations).
bool HasAnswerSlot(const SealedFile& file);

// A new data key, the logon slot and a slot for each of `answerSlots` (the combinations whose
// answers reach the sealing rule's floor, store/sealing_rule.h; a combination with an empty answer
// never gets one). Null when libsodium failed or the logon mode's details are not all known (a
// logon with answers that has not set a new password): a slot that an empty password, user ID or
// PIN opens is never made. This is the slow part of a sealed save (one Argon2id run per slot).
std::unique_ptr<Keys> MakeKeys(const Profile& profile, const std::vector<std::vector<int>>& answerSlots,
                               const Limits& limits);
// True when `keys` seal the Profile as it is: made for its logon details, questions and answers,
// and, once the password is known, with exactly `answerSlots` and no slot below `limits` (older
// weaker slots, or slots for answers the rule now finds too easy, stay only while the password is
// not known).
bool KeysFit(const Keys* keys, const Profile& profile, const std::vector<std::vector<int>>& answerSlots,
             const Limits& limits);

// The lines of the sealed file a save writes at `writtenVersion`. `keys` are kept when they fit
// (KeysFit); otherwise (or when null) they are made anew (MakeKeys). Empty when libsodium failed or
// no keys could be made.
std::vector<std::string> SealProfile(const Profile& profile, std::int32_t writtenVersion,
                                     std::unique_ptr<Keys>& keys, const Limits& limits,
                                     const std::vector<std::vector<int>>& answerSlots);

// The Profile as it is before logon: logon mode, answer mode, version and the question texts (with
// empty answers); nothing else.
void FillHeaderOnly(const SealedFile& file, Profile& profile);

}  // namespace keyloft::sealed
