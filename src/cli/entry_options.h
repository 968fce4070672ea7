#pragma once
// The options of add and edit, and the step they share: build the entry from the options (and, for
// edit, the entry as stored), check it as the window's editor does, store it at the end of the
// entries and save.

#include <optional>
#include <string>

#include "cli/command.h"

namespace keyloft::cli {

struct EntryOptions {
    std::optional<std::string> category, description, userCode, notes, expiry, webSite, email;
    bool generate = false;
    PasswordOptions generator;  // --length, --symbols (with --generate)
    bool askPassword = false;   // edit: read a new password
};

// The category text an entry stores for a trimmed category name: empty for "" and "<None>",
// otherwise the name of an existing category (matched exactly, else ignoring case); nothing when
// the profile has no such category.
std::optional<std::u16string> StoredCategoryName(const CategoryList& categories, std::u16string_view name);

void AddEntryOptions(CLI::App& command, EntryOptions& options);

// editRow 0: a new entry. Returns the exit status.
int SaveEntryFromOptions(Session& session, const EntryOptions& options, std::size_t editRow);

}  // namespace keyloft::cli
