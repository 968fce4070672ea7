#include "pages/page.h"

#include "platform/qt_dialogs.h"

namespace keyloft {

Page::Page(PageServices services, QWidget* parent) : QWidget(parent), services_(std::move(services)) {}

bool ConfirmDiscardChanges(Dialogs& dialogs) {
    MessageRequest request;
    request.text = kDiscardChangesText;
    request.title = kDiscardChangesTitle;
    request.icon = MessageIcon::Question;
    request.buttons = MessageButtons::YesNo;
    request.defaultAnswer = MessageAnswer::No;
    return dialogs.showMessage(request) == MessageAnswer::Yes;
}

void Page::showBusy(bool busy) {
    if (busy) {
        platform::ShowBusyPointer();
    } else {
        platform::ShowIdlePointer();
    }
}

}  // namespace keyloft
