#include "import/import_run.h"

#include "store/utf8_text.h"

namespace keyloft {

ImportSummary AddImportRows(EntryImport& import, const ImportFile& file) {
    ImportSummary summary;
    for (const ImportRow& row : file.rows) ImportRowInto(import, row, summary);
    for (const std::u16string& group : file.emptyGroups) {
        const std::size_t before = import.newCategories();
        if (std::optional<std::u16string> refusal = import.addCategory(group)) {
            summary.refused.push_back("group \"" + Utf16ToUtf8(group) +
                                      "\": " + Utf16ToUtf8(TrimBlanks(*refusal)));
        } else {
            summary.newCategories += import.newCategories() - before;
        }
    }
    return summary;
}

ImportSaving SaveImport(ProfileEdits& edits, const ExpiryDateReader& dates, const ImportFile& file,
                        const std::function<bool(const ImportSummary&)>& proceed,
                        const std::function<SaveOutcome(const SaveResult&)>& report) {
    ImportSaving saving;
    saving.outcome = SaveOutcome::ConflictRefreshed;
    for (int attempt = 1; attempt <= kImportSaveAttempts && saving.outcome == SaveOutcome::ConflictRefreshed;
         ++attempt) {
        EntryImport import(edits, dates);
        saving.summary = AddImportRows(import, file);
        if (!proceed(saving.summary)) {
            import.abandon();
            saving.withheld = true;
            saving.outcome = SaveOutcome::Failed;
            break;
        }
        if (!import.changed()) {  // nothing new, or the other user's version holds it all already
            saving.outcome = SaveOutcome::Saved;
            break;
        }
        saving.outcome = report(import.save());
        // The file is as it was (the report said why); the profile in memory is made so too.
        if (saving.outcome == SaveOutcome::Failed) import.abandon();
    }
    return saving;
}

}  // namespace keyloft
