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

// Told about the failures that the caller must act on. The application installs one that shows
// the message, writes the error log and ends the program; tests install a recorder.
class CipherFailureHandler {
public:
    virtual ~CipherFailureHandler() = default;
    // EncryptText got an empty text or an empty password (error log entry "Encrypt").
    virtual void encryptInputEmpty() = 0;
    // DecryptText rejected its input ("Invalid data." / "Decrypt Error", log "Decrypt", end).
    virtual void decryptRejected() = 0;
};

// Installs the handler used by the two-argument forms below; nullptr installs a silent one.
void SetCipherFailureHandler(CipherFailureHandler* handler);
CipherFailureHandler& CurrentCipherFailureHandler();

// Pure forms: never report to a handler.
std::string TryEncryptText(std::u16string_view text, std::u16string_view password);  // "" on failure
DecryptResult TryDecryptText(std::string_view cipherText, std::u16string_view password);

// Reporting forms: as above, and a failure that the handler must hear of is passed to it.
std::string EncryptText(std::u16string_view text, std::u16string_view password,
                        CipherFailureHandler& handler);
std::string EncryptText(std::u16string_view text, std::u16string_view password);
std::u16string DecryptText(std::string_view cipherText, std::u16string_view password,
                           CipherFailureHandler& handler);
std::u16string DecryptText(std::string_view cipherText, std::u16string_view password);

// ASCII hexadecimal text used as a password (the profile key): widened code unit by code unit.
std::u16string WidenAscii(std::string_view ascii);

}  // namespace keyloft::crypto
