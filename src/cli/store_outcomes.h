#pragma once
// How keyloft-cli turns what a store operation reported into standard-error text and an exit
// code: the messages the window would show are printed as they are, the outcome decides the code.

#include "store/profile_store.h"

namespace keyloft::cli {

// The report's messages on standard error, one line each ("Title: text" when a title of its own).
void PrintReport(const StoreReport& report);

// Exit codes of the store's outcomes (kExitOk for a loaded profile or a save).
int ExitCodeFor(OpenOutcome outcome);
int ExitCodeFor(SaveOutcome outcome);

}  // namespace keyloft::cli
