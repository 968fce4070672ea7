#pragma once
// Escape while a drop-down list or a completer's list is open closes that list and does nothing
// else: the window's Escape command (Cancel, which drops the edits) waits until it is closed.

class QObject;

namespace keyloft {

// Watches the application's key events from now on; `owner` ends the watch when it goes.
void KeepEscapeForOpenPopups(QObject* owner);

}  // namespace keyloft
