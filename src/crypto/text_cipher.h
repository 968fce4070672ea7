#pragma once
// Text form of the stored data: a text line becomes upper-case hexadecimal cipher text under a
// password (UTF-16LE bytes, length-prefixed, zero-padded, Rijndael-256 in ECB) and back.

#include <string>
#include <string_view>

namespace keyloft::crypto {

// What DecryptText saw. `Rejected` is the failure after which the program must end without
// saving ("Invalid data."); `Malformed` (odd length, a pair that is not hexadecimal) gives an
// empty text and the program carries on.
enum class DecryptStatus { Ok, Rejected, Malformed };

struct DecryptResult {
    std::u16string text;
    DecryptStatus status = DecryptStatus::Ok;
};

// The caller acts on a failure: the storage turns a `Rejected` line into its "Invalid data."
// report, an empty text or password to encrypt gives "".
std::string TryEncryptText(std::u16string_view text, std::u16string_view password);  // "" on failure
DecryptResult TryDecryptText(std::string_view cipherText, std::u16string_view password);

// ASCII hexadecimal text used as a password (the profile key): widened code unit by code unit.
std::u16string WidenAscii(std::string_view ascii);

}  // namespace keyloft::crypto
