#pragma once
// A first look at a JSON text before any reader builds values from it: whether it is JSON at all,
// whether it is nested deeper than an import allows (kMaxImportNesting), and what its top level
// holds, by which the import tells the JSON formats apart. The look walks the text once and keeps
// no values, so a text nested 70,000 levels deep costs it no more than a flat one.

#include <string>
#include <string_view>
#include <vector>

namespace keyloft {

struct JsonShape {
    enum class Outcome { Read, NotJson, TooDeep };
    Outcome outcome = Outcome::NotJson;
    char top = '\0';                // '[' an array, '{' an object, '\0' anything else
    std::vector<std::string> keys;  // the keys of a top-level object, in order
};

JsonShape ReadJsonShape(std::string_view text);

}  // namespace keyloft
