#include "app/session_dialogs.h"

namespace keyloft {

MessageAnswer CancelledAnswer(const MessageRequest& request) {
    return request.buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
}

MessageAnswer SessionDialogs::showMessage(const MessageRequest& request) {
    if (session_.lockPending() || (scope_ == Scope::Profile && !session_.loggedOn())) {
        return CancelledAnswer(request);
    }
    const std::uint64_t before = session_.number();
    const MessageAnswer answer = dialogs_.showMessage(request);
    return session_.number() == before ? answer : CancelledAnswer(request);
}

}  // namespace keyloft
