#pragma once
// An import carried out on the loaded profile, the same for keyloft-cli import and the window's
// Import…: the rows of a file (import_file.h) checked and added (a dry run for a preview), and the
// one save, made again on another user's version when they saved the profile meanwhile.

#include <functional>

#include "import/import_file.h"
#include "import/import_summary.h"
#include "store/entry_import.h"
#include "store/profile_edits.h"

namespace keyloft {

class ExpiryDateReader;

// Saves tried when other users keep saving the profile in between.
inline constexpr int kImportSaveAttempts = 3;

// Every row of the file, then its empty groups, handed to `import` and counted.
ImportSummary AddImportRows(EntryImport& import, const ImportFile& file);

struct ImportSaving {
    SaveOutcome outcome = SaveOutcome::Failed;  // Saved also when there was nothing to write
    ImportSummary summary;                      // of the attempt that ended it
    bool withheld = false;                      // `proceed` said no: nothing was saved
};

// Adds every row to the profile and asks `proceed` whether to save them (no: they are taken out
// again, nothing is written); then saves once, and `report` tells what the save's result means
// (the window shows its messages, the tool prints them). When another user saved in between
// (ConflictRefreshed: the store holds their version now), the rows are added again onto it, its
// duplicates skipped, and saved again, up to kImportSaveAttempts times.
ImportSaving SaveImport(ProfileEdits& edits, const ExpiryDateReader& dates, const ImportFile& file,
                        const std::function<bool(const ImportSummary&)>& proceed,
                        const std::function<SaveOutcome(const SaveResult&)>& report);

}  // namespace keyloft
