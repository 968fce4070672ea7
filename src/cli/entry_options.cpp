#include "cli/entry_options.h"

#include "cli/date_order.h"
#include "cli/exit_codes.h"
#include "store/utf8_text.h"
#include "store/entry.h"
#include "store/expiry_date.h"
#include "store/password_generator.h"

namespace keyloft::cli {
namespace {

// What the user typed for an entry, before the checks.
struct EntryDraft {
    Entry fields;
    std::u16string confirmation;
};

std::optional<std::u16string> ResolveCategory(const CategoryList& categories, const std::string& typed) {
    return StoredCategoryName(categories, TrimBlanks(FromArgument(typed)));
}

// The entry's password and its confirmation: twice on a terminal, once from piped input.
std::optional<std::pair<std::u16string, std::u16string>> ReadEntryPassword(Console& console) {
    const auto password = console.readSecret("Entry password: ");
    if (!password) return std::nullopt;
    if (!console.interactive()) return std::pair(Utf8ToUtf16(*password), Utf8ToUtf16(*password));
    const auto confirmation = console.readSecret("Confirm entry password: ");
    if (!confirmation) return std::nullopt;
    return std::pair(Utf8ToUtf16(*password), Utf8ToUtf16(*confirmation));
}

}  // namespace

std::optional<std::u16string> StoredCategoryName(const CategoryList& categories, std::u16string_view name) {
    if (name.empty() || name == kNoneCategory) return std::u16string();
    if (const std::size_t exact = categories.find(name)) return categories.at(exact).name;
    if (const Category* same = categories.findIgnoringCase(name)) return same->name;
    return std::nullopt;
}

void AddEntryOptions(CLI::App& command, EntryOptions& options) {
    command
        .add_option("--category", options.category,
                    "Category (an existing one; \"<None>\" or empty for none)")
        ->check(Utf8Text());
    command.add_option("--description", options.description, "Description")->check(Utf8Text());
    command.add_option("--user-code", options.userCode, "User/account code (required)")->check(Utf8Text());
    command.add_option("--notes", options.notes, "Notes")->check(Utf8Text());
    command
        .add_option(
            "--expiry", options.expiry,
            "Expiry date: MM/YY (kept as typed), yyyy-MM-dd, or d/M/y with a 2- or 4-digit year, day or "
            "month first as the locale writes dates unless a number over 12 tells (stored as yyyy-MM-dd); "
            "or empty")
        ->check(Utf8Text());
    command.add_option("--web", options.webSite, "Web site (kept as typed)")->check(Utf8Text());
    command.add_option("--email", options.email, "E-mail address (kept as typed)")->check(Utf8Text());
    CLI::Option* generate =
        command.add_flag("--generate", options.generate, "Use a generated password instead of reading one");
    AddGeneratorOptions(command, options.generator, generate);
}

int SaveEntryFromOptions(Session& session, const EntryOptions& options, std::size_t editRow) {
    const Profile& profile = session.profile();
    EntryDraft draft;
    bool expiryAsStored = false;
    if (editRow != 0) {
        draft.fields = profile.entries[editRow - 1];
        draft.confirmation = draft.fields.password;
        expiryAsStored = !options.expiry;
    }
    const auto take = [](const std::optional<std::string>& option, std::u16string& field) {
        if (option) field = FromArgument(*option);
    };
    take(options.description, draft.fields.description);
    take(options.userCode, draft.fields.userCode);
    take(options.notes, draft.fields.notes);
    take(options.expiry, draft.fields.expiryDate);
    take(options.webSite, draft.fields.webSite);
    take(options.email, draft.fields.email);
    if (options.category) {
        const auto category = ResolveCategory(profile.categories, *options.category);
        if (!category) {
            Console::printError("keyloft-cli: the profile has no category \"" + *options.category +
                                "\" (add it with: keyloft-cli categories NAME add CATEGORY)");
            return kExitFailure;
        }
        draft.fields.category = *category;
    }

    // An expiry text left untouched by edit is kept as stored, whatever form it has.
    const std::u16string storedExpiry = draft.fields.expiryDate;
    if (expiryAsStored) draft.fields.expiryDate.clear();
    const ExpiryDateReader dates(DateOrderFromEnvironment());

    // What can be refused without the entry's password is refused before it is asked for.
    if (const EntryCheck early = CheckEntry(draft.fields, draft.fields.password, dates); !early.accepted())
        return Refuse(session, early.message);

    if (options.generate) {
        draft.fields.password = GeneratePassword(options.generator);
        draft.confirmation = draft.fields.password;
    } else if (editRow == 0 || options.askPassword) {
        const auto typed = ReadEntryPassword(session.console());
        if (!typed) {
            Console::printError("keyloft-cli: standard input ended before the entry's password");
            return kExitFailure;
        }
        draft.fields.password = typed->first;
        draft.confirmation = typed->second;
    }

    if (expiryAsStored) draft.fields.expiryDate = storedExpiry;
    const TypedEntry typed{draft.fields, draft.confirmation, expiryAsStored};
    ProfileStore& store = session.store();
    const EditResult edit = editRow != 0 ? store.edits().changeEntry(editRow, typed, dates)
                                         : store.edits().addEntry(typed, dates);
    if (edit.check.passwordBlank) {
        MessageRequest warning;
        warning.text = kPasswordBlankText;
        warning.title = u"Warning";
        session.host().showMessage(warning);
    }
    if (const int code = session.finish(edit); code != kExitOk) return code;
    PrintOut(std::string(editRow != 0 ? "Saved" : "Added") + " as row " + std::to_string(edit.position) +
             ".\n");
    return kExitOk;
}

}  // namespace keyloft::cli
