#pragma once
// Start-up of the window program.

#include "store/ui_host.h"

namespace keyloft {

namespace platform {
class SingleInstanceGuard;
}

// The previous-instance test: when another copy holds the guard, shows "Keyloft is already
// running!", and once that is answered asks the other copy to bring its window to the front (a
// parked one too); returns true (this copy must end without showing a window).
bool RefuseSecondInstance(platform::SingleInstanceGuard& guard, Dialogs& dialogs);

inline constexpr char16_t kAlreadyRunningText[] = u"Keyloft is already running!";
inline constexpr char16_t kAlreadyRunningTitle[] = u"Second Instance";

}  // namespace keyloft

namespace keyloft {
// The window program: the previous-instance test, then the main window until it closes.
int RunKeyloft(int argc, char** argv);
}  // namespace keyloft
