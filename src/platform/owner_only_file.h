#pragma once
// Files that hold passwords in clear (exports of the command-line tool).

#include <optional>
#include <string>
#include <string_view>

namespace keyloft::platform {

// Writes `bytes` to the file (created, or an own file emptied and written in place; a symbolic
// link, a pipe, another user's file or one with other names is refused untouched), readable
// and writable by its owner only: mode 0600 on POSIX systems, access rules that let in the user
// only on Windows. The reason when it fails.
std::optional<std::string> WriteOwnerOnlyFile(const std::string& utf8Path, std::string_view bytes);

}  // namespace keyloft::platform
