#pragma once
// What the window does when the cipher reports a failure: an empty text or password to encrypt is
// logged; a cipher text that cannot be decrypted is shown, logged, and ends the program at once.

#include <functional>
#include <string_view>

#include "crypto/text_cipher.h"
#include "store/ui_host.h"

namespace keyloft {

class WindowCipherHandler final : public crypto::CipherFailureHandler {
public:
    using LogFunction = std::function<void(std::u16string_view operation)>;
    WindowCipherHandler(Dialogs& dialogs, LogFunction log, std::function<void()> endProgram);

    void encryptInputEmpty() override;
    void decryptRejected() override;

private:
    Dialogs& dialogs_;
    LogFunction log_;
    std::function<void()> endProgram_;
};

inline constexpr char16_t kInvalidDataText[] = u"Invalid data.";
inline constexpr char16_t kDecryptErrorTitle[] = u"Decrypt Error";

}  // namespace keyloft
