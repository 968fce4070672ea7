#pragma once
// The words of a line typed in `keyloft-cli shell`.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace keyloft::cli {

// Words are separated by blanks and tabs. In '...' every character stands as typed; in "..." too,
// except that \" and \\ stand for " and \. Outside quotes a backslash before a blank, a tab, a
// quote or a backslash stands for that character; any other backslash is kept (C:\Users stays).
// "" is an empty word. Nothing, with `problem` saying why, when a quote is not closed.
std::optional<std::vector<std::string>> SplitShellWords(std::string_view line, std::string& problem);

}  // namespace keyloft::cli
