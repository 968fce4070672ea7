#include "app/app_start.h"

#include "platform/qt_single_instance.h"

namespace keyloft {

bool RefuseSecondInstance(platform::SingleInstanceGuard& guard, Dialogs& dialogs) {
    if (guard.tryAcquire()) {
        return false;
    }
    MessageRequest request;
    request.text = kAlreadyRunningText;
    request.title = kAlreadyRunningTitle;
    request.icon = MessageIcon::Critical;
    dialogs.showMessage(request);
    return true;
}

}  // namespace keyloft
