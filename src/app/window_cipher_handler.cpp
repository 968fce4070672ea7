#include "app/window_cipher_handler.h"

namespace keyloft {

WindowCipherHandler::WindowCipherHandler(Dialogs& dialogs, LogFunction log, std::function<void()> endProgram)
    : dialogs_(dialogs), log_(std::move(log)), endProgram_(std::move(endProgram)) {}

void WindowCipherHandler::encryptInputEmpty() { log_(u"Encrypt"); }

void WindowCipherHandler::decryptRejected() {
    MessageRequest request;
    request.text = kInvalidDataText;
    request.title = kDecryptErrorTitle;
    dialogs_.showMessage(request);
    log_(u"Decrypt");
    endProgram_();
}

}  // namespace keyloft
