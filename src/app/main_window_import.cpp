// Import…: the entries of another password manager's export (or of Keyloft's own) added to the
// profile with the rules of keyloft-cli import, read by the same code (import/import_file.h,
// import/import_run.h). The format is recognised from the file, a preview names what will be
// imported, completed, skipped and refused, and the user goes on or cancels; then the whole import
// is saved at once and the summary shown. When another user saved the profile meanwhile, the
// import goes onto their version and is saved again, so neither is lost.
#include <QFileInfo>
#include <QLocale>
#include <filesystem>

#include "app/main_window.h"
#include "entries/locale_dates.h"
#include "import/import_file.h"
#include "import/import_run.h"
#include "platform/qt_dialogs.h"
#include "store/entry_import.h"
#include "store/profile_store.h"
#include "store/utf8_text.h"

namespace keyloft {
namespace {

constexpr char16_t kImportTitle[] = u"Import";
// Refused rows named one by one in the preview; the rest are counted.
constexpr std::size_t kRefusalsNamed = 10;

std::u16string Text(const std::string& utf8) { return Utf8ToUtf16(utf8); }

// What the import would do, one count a line, the refused rows with their line and reason.
std::u16string PreviewText(const QString& fileName, const ImportFile& file, const ImportSummary& would) {
    std::u16string text = u"\"" + fileName.toStdU16String() + u"\" read as " + Text(file.readAs()) + u".\n\n";
    text += u"To be imported: " + CountedText(would.added, "entry", "entries");
    if (would.newCategories > 0)
        text += u", with " + CountedText(would.newCategories, "new category", "new categories");
    text += u"\nCompleted with the placeholder user code \"" + std::u16string(kMissingUserCode) + u"\": " +
            Text(std::to_string(would.filledIn.size()));
    text += u"\nDuplicates to skip (in the profile already, or twice in the file): " +
            Text(std::to_string(would.duplicates));
    text += u"\nRefused: " + Text(std::to_string(would.refused.size()));
    for (std::size_t i = 0; i < would.refused.size() && i < kRefusalsNamed; ++i)
        text += u"\n    " + Text(would.refused[i]);
    if (would.refused.size() > kRefusalsNamed)
        text += u"\n    … and " + Text(std::to_string(would.refused.size() - kRefusalsNamed)) + u" more";
    if (!file.ignored.empty()) {
        std::string names;
        for (const std::string& name : file.ignored) names += (names.empty() ? "" : ", ") + name;
        text += std::u16string(file.keys() ? u"\nKeys" : u"\nColumns") + u" not kept: " + Text(names);
    }
    return text;
}

}  // namespace

void MainWindow::importCommand() {
    if (!session_.loggedOn() || shownScreen() != Screen::Passwords) return;
    const std::uint64_t session = session_.number();
    // The editor's unsaved edits go when the list is filled again with the imported entries.
    if (session_.isDirty() && !confirmDiscardChanges()) return;
    const QString chosen = services_.chooseImportFile ? services_.chooseImportFile(QString()) : QString();
    if (chosen.isEmpty() || session_.number() != session) return;
    const QString fileName = QFileInfo(chosen).fileName();

    MessageRequest told;
    told.title = kImportTitle;
    platform::ShowBusyPointer();
    // A folder is a password store, which is imported with keyloft-cli only (gpg may ask there).
    const std::filesystem::path path(chosen.toStdU16String());
    std::error_code notFolder;
    ImportFile file;
    if (std::filesystem::is_directory(path, notFolder)) {
        file.error = "it is a folder; a password store (pass) is imported with keyloft-cli import";
    } else {
        file = ReadImportPath(path, ImportFormat::Auto);
    }
    platform::ShowIdlePointer();
    if (file.error) {
        told.icon = MessageIcon::Exclamation;
        told.text = u"\"" + fileName.toStdU16String() + u"\" cannot be imported: " + Text(*file.error) + u".";
        profileDialogs_.showMessage(told);
        return;
    }

    const LocaleDateReader dates{QLocale()};
    EntryImport preview(store_->edits(), dates, /*dryRun=*/true);
    const ImportSummary would = AddImportRows(preview, file);
    MessageRequest asked;
    asked.title = kImportTitle;
    asked.text = PreviewText(fileName, file, would);
    if (!preview.changed()) {
        asked.icon = MessageIcon::Information;
        asked.text += u"\n\nThere is nothing to import.";
        profileDialogs_.showMessage(asked);
        return;
    }
    asked.icon = MessageIcon::Question;
    asked.buttons = MessageButtons::YesNo;
    asked.defaultAnswer = MessageAnswer::Yes;
    asked.text += would.refused.empty()
                      ? u"\n\nImport them into the profile?"
                      : u"\n\nImport the others into the profile? (The refused rows are left out.)";
    if (profileDialogs_.showMessage(asked) != MessageAnswer::Yes || session_.number() != session) return;

    // One save for the whole import; a lock meanwhile ends it as a lock-out.
    const ImportSaving done = SaveImport(
        store_->edits(), dates, file, [](const ImportSummary&) { return true; },
        [&](const SaveResult& result) {
            const SaveOutcome outcome = carryOutSave(result);
            return session_.number() != session ? SaveOutcome::ConflictLockedOut : outcome;
        });
    if (session_.number() != session || !session_.loggedOn()) return;  // locked out: nothing more to show
    // The list, the filter and the category box show the profile as it is now.
    showScreenAgain();
    if (Page* page = shownPage()) page->cancel();
    session_.setDirty(false);
    told.text = done.outcome == SaveOutcome::Saved
                    ? Text(done.summary.text())
                    : u"Nothing was imported from \"" + fileName.toStdU16String() + u"\".";
    told.icon = done.outcome == SaveOutcome::Saved ? MessageIcon::Information : MessageIcon::Exclamation;
    profileDialogs_.showMessage(told);
}

}  // namespace keyloft
