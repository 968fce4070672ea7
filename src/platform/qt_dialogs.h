#pragma once
// The dialogs seam on Qt: one modal QMessageBox per request, and the busy and idle pointer.

#include <functional>

#include "store/ui_host.h"

class QWidget;

namespace keyloft::platform {

class QtDialogs final : public Dialogs {
public:
    // `owner` gives the window the boxes belong to at the moment they are shown (may return null).
    explicit QtDialogs(std::function<QWidget*()> owner = {});
    MessageAnswer showMessage(const MessageRequest& request) override;

private:
    std::function<QWidget*()> owner_;
};

// Hourglass over the whole application, and back to the normal pointer. The idle pointer undoes
// every busy pointer still in force, so an early way out can never leave the hourglass behind.
void ShowBusyPointer();
void ShowIdlePointer();

}  // namespace keyloft::platform
