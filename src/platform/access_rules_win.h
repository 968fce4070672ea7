#pragma once
// Access rules of new files on Windows.

#ifdef _WIN32

#include <windows.h>

#include <cstdint>
#include <vector>

#include "store/error_codes.h"

namespace keyloft::platform::win {

// A security descriptor whose DACL grants the current user everything and nobody else anything,
// with inheritance from the folder blocked.
class OwnerOnlySecurity {
  public:
    OwnerOnlySecurity();
    SECURITY_ATTRIBUTES* attributes() { return ready_ ? &attributes_ : nullptr; }
    // Gives the file open as `file` (with WRITE_DAC) these rules in place of its own.
    bool applyTo(HANDLE file);

  private:
    std::vector<unsigned char> user_;
    std::vector<std::uint64_t> acl_;  // ACL storage, aligned
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{};
    bool ready_ = false;
};

// Gives `to` the access rules (DACL, and the group where permitted) of the file open as `from`.
ErrorInfo CopyAccessRules(HANDLE from, HANDLE to);

}  // namespace keyloft::platform::win

#endif  // _WIN32
