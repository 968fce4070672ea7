#pragma once
// ZIP archives for the import tests, written with minizip as the exporting programs write theirs.

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace keyloft::testing {

struct ZipMember {
    std::string name;   // "Proton Pass/data.json"
    std::string bytes;  // packed with deflate
};

// Writes `members` in this order to a new archive at `file`; throws when minizip cannot.
void WriteZip(const std::filesystem::path& file, const std::vector<ZipMember>& members);

}  // namespace keyloft::testing
