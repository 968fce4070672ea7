#pragma once
// What the two profile targets check on a file's bytes, whichever way they made them.

#include <string_view>

namespace keyloft::fuzz {

// Loads the bytes line by line as the loader does (stopping where it stops) and checks:
// - the read-only check (VerifyProfileBytes) calls the file good exactly when the load succeeds,
//   and counts the same lines and records;
// - a profile that loads is saved again (EncodeProfile with the next version) to lines that load
//   to the same profile, with that version, and that the read-only check calls good.
// Any failed check ends the process (libFuzzer records the input).
void CheckProfileFile(std::string_view bytes);

}  // namespace keyloft::fuzz
