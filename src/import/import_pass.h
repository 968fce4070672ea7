#pragma once
// A password-store folder (one GPG-encrypted file per entry, folders for groups), read through
// the pass program so that its own key agent decrypts it. Each entry becomes a row:
//   the first line            password
//   "login:", "user:" or "username:" lines   user code (the first such line)
//   "url:" line               web site (the first)
//   every other line          notes, as it stands
//   the file's folder path    category ("Work/Email"); the file's name is the description

#include <filesystem>

#include "import/import_rows.h"

namespace keyloft {

// The entries in the order of their paths. `error` when the folder is not there, or when pass is
// missing or cannot decrypt an entry (its key is missing): then no row is passed on.
ImportTable ReadPassRows(const std::filesystem::path& folder, const RowSink& onRow);

}  // namespace keyloft
