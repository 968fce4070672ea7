// Import…: the entries of another password manager's export (or of Keyloft's own) added to the
// profile with the rules of keyloft-cli import. The format is recognised from the file, a preview
// names what will be imported, completed, skipped and refused, and the user goes on or cancels;
// then the whole import is saved at once and the summary shown. When another user saved the
// profile meanwhile, the import goes onto their version and is saved again, so neither is lost.
#include <QFileInfo>
#include <QLocale>
#include <filesystem>
#include <fstream>

#include "app/main_window.h"
#include "entries/locale_dates.h"
#include "import/import_formats.h"
#include "import/import_summary.h"
#include "platform/qt_dialogs.h"
#include "store/entry_import.h"
#include "store/profile_store.h"
#include "store/utf8_text.h"

namespace keyloft {
namespace {

constexpr char16_t kImportTitle[] = u"Import";
// Refused rows named one by one in the preview; the rest are counted.
constexpr std::size_t kRefusalsNamed = 10;
// Saves tried when other users keep saving the profile in between.
constexpr int kSaveAttempts = 3;

std::u16string FormatTitle(ImportFormat format) {
    switch (format) {
        case ImportFormat::KeePassXC:
            return u"KeePassXC CSV";
        case ImportFormat::BitwardenCsv:
            return u"Bitwarden CSV";
        case ImportFormat::BitwardenJson:
            return u"Bitwarden JSON";
        case ImportFormat::Chrome:
            return u"Chrome CSV";
        case ImportFormat::Firefox:
            return u"Firefox CSV";
        case ImportFormat::OnePassword:
            return u"1Password CSV";
        case ImportFormat::KeyloftCsv:
            return u"Keyloft CSV";
        case ImportFormat::KeyloftJson:
            return u"Keyloft JSON";
        default:
            return FromUtf8Lenient(ImportFormatName(format));
    }
}

std::u16string Text(const std::string& utf8) { return FromUtf8Lenient(utf8); }

// The rows of a file, read whole before anything is added.
struct ImportFile {
    ImportFormat format = ImportFormat::Auto;
    std::vector<ImportRow> rows;
    std::vector<std::string> ignored;  // columns or keys dropped
    bool json = false;
};

// Reads and recognises the file; the reason when it cannot be imported.
std::optional<std::u16string> ReadImportFile(const std::filesystem::path& path, ImportFile& file) {
    std::string text;
    std::ifstream in(path, std::ios::binary);
    if (!in) return u"it cannot be read";
    switch (ReadImportText(in, text)) {
        case ImportTextRead::Read:
            break;
        case ImportTextRead::TooLarge:
            return Text(TooLargeToImportReason());
        case ImportTextRead::Failed:
            return u"it cannot be read";
    }
    file.format = RecogniseFormat(ImportFormat::Auto, text);
    file.json = file.format == ImportFormat::KeyloftJson || file.format == ImportFormat::BitwardenJson;
    ImportTable table =
        ReadImportRows(file.format, text, [&file](ImportRow&& row) { file.rows.push_back(std::move(row)); });
    if (table.error) return Text(*table.error);
    file.ignored = std::move(table.ignoredColumns);
    return std::nullopt;
}

// What the import would do, one count a line, the refused rows with their line and reason.
std::u16string PreviewText(const QString& fileName, const ImportFile& file, const ImportSummary& would) {
    std::u16string text = u"\"" + fileName.toStdU16String() + u"\" is a " + FormatTitle(file.format) +
                          u" export of " + CountedText(file.rows.size(), "entry", "entries") + u".\n\n";
    text += u"To be imported: " + CountedText(would.added, "entry", "entries");
    if (would.newCategories > 0)
        text += u", with " + CountedText(would.newCategories, "new category", "new categories");
    text += u"\nCompleted with the placeholder user code \"" + std::u16string(kMissingUserCode) + u"\": " +
            Text(std::to_string(would.filledIn.size()));
    text += u"\nDuplicates to skip (already in the profile): " + Text(std::to_string(would.duplicates));
    text += u"\nRefused: " + Text(std::to_string(would.refused.size()));
    for (std::size_t i = 0; i < would.refused.size() && i < kRefusalsNamed; ++i)
        text += u"\n    " + Text(would.refused[i]);
    if (would.refused.size() > kRefusalsNamed)
        text += u"\n    … and " + Text(std::to_string(would.refused.size() - kRefusalsNamed)) + u" more";
    if (!file.ignored.empty()) {
        std::string names;
        for (const std::string& name : file.ignored) names += (names.empty() ? "" : ", ") + name;
        text += std::u16string(file.json ? u"\nKeys" : u"\nColumns") + u" not kept: " + Text(names);
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
    ImportFile file;
    platform::ShowBusyPointer();
    const std::optional<std::u16string> unreadable =
        ReadImportFile(std::filesystem::path(chosen.toStdU16String()), file);
    platform::ShowIdlePointer();
    if (unreadable) {
        told.icon = MessageIcon::Exclamation;
        told.text = u"\"" + fileName.toStdU16String() + u"\" cannot be imported: " + *unreadable + u".";
        profileDialogs_.showMessage(told);
        return;
    }

    const LocaleDateReader dates{QLocale()};
    const auto addRows = [&file](EntryImport& import) {
        ImportSummary summary;
        for (const ImportRow& row : file.rows) ImportRowInto(import, row, summary);
        return summary;
    };
    EntryImport preview(*store_, dates, /*dryRun=*/true);
    const ImportSummary would = addRows(preview);
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

    // One save for the whole import. A conflict reloads the other user's version of the profile:
    // the import is made again on it (its duplicates now skipped) and saved again.
    ImportSummary done;
    SaveOutcome outcome = SaveOutcome::ConflictRefreshed;
    for (int attempt = 1; attempt <= kSaveAttempts && outcome == SaveOutcome::ConflictRefreshed; ++attempt) {
        EntryImport import(*store_, dates);
        done = addRows(import);
        if (!import.changed()) {
            outcome = SaveOutcome::Saved;  // the other user's version holds it all already
            break;
        }
        outcome = carryOutSave(import.save());
        // The file is as it was (the store has said why); the profile in memory is made so too.
        if (outcome == SaveOutcome::Failed && session_.number() == session && session_.loggedOn())
            import.abandon();
    }
    if (session_.number() != session || !session_.loggedOn()) return;  // locked out: nothing more to show
    // The list, the filter and the category box show the profile as it is now.
    showScreenAgain();
    if (Page* page = shownPage()) page->cancel();
    session_.setDirty(false);
    told.text = outcome == SaveOutcome::Saved
                    ? Text(done.text())
                    : u"Nothing was imported from \"" + fileName.toStdU16String() + u"\".";
    told.icon = outcome == SaveOutcome::Saved ? MessageIcon::Information : MessageIcon::Exclamation;
    profileDialogs_.showMessage(told);
}

}  // namespace keyloft
