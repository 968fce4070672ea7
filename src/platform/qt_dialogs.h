#pragma once
// The dialogs seam on Qt: one modal QMessageBox per request, closing every open dialog at once,
// and the busy and idle pointer.

#include <functional>

#include "store/ui_host.h"

class QWidget;

namespace keyloft::platform {

class QtDialogs final : public Dialogs {
  public:
    // `owner` gives the window the boxes belong to at the moment they are shown (may return null).
    explicit QtDialogs(std::function<QWidget*()> owner = {});
    MessageAnswer showMessage(const MessageRequest& request) override;
    // CloseOpenDialogs.
    void closeAll() override;

  private:
    std::function<QWidget*()> owner_;
};

// Closes every dialog of the program that is shown (message boxes, file questions), as if the
// user had cancelled it: each returns its Cancel or No answer, a file question no file.
void CloseOpenDialogs();

// Hourglass over the whole application, and back to the normal pointer. The idle pointer undoes
// every busy pointer still in force, so an early way out can never leave the hourglass behind.
void ShowBusyPointer();
void ShowIdlePointer();

}  // namespace keyloft::platform
