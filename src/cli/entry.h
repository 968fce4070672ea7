#pragma once
// Entries as the command-line tool reads, checks and writes them: the record's eight fields, the
// checks of the window's entry editor with its messages, and the category-name rules.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/profile.h"

namespace keyloft::cli {

struct EntryFields {
    std::u16string category, description, userCode, password, notes, expiryDate, webSite, email;
};

// The fields of an entry record ("4|category|...|email"); missing fields read as empty.
EntryFields ParseEntryRecord(std::u16string_view record);
std::u16string BuildEntryRecord(const EntryFields& fields);

// What the user typed for an entry, before the checks.
struct EntryDraft {
    EntryFields fields;
    std::u16string confirmation;
};

struct EntryCheck {
    std::u16string record;              // the record to store when accepted
    std::optional<std::u16string> refusal;  // the message when refused
    bool passwordBlank = false;         // accepted with the "Password is blank!" warning
};

// The editor's checks in the editor's order, then "|" in any field. Text fields are trimmed,
// except the web site and e-mail, which are stored as typed; a date is stored in ISO form.
EntryCheck CheckEntry(const EntryDraft& draft);

// Category name checks for a new name or a change of name (excluding: the 1-based position of
// the category being renamed, 0 for a new one). Nothing when the name may be stored.
std::optional<std::u16string> CheckCategoryName(const CategoryList& categories,
                                                std::u16string_view trimmedName,
                                                std::size_t excluding);

// 1-based position of the category with exactly this name, or 0.
std::size_t FindCategory(const CategoryList& categories, std::u16string_view name);

// Messages of the window used by the tool.
inline constexpr char16_t kUserCodeRequired[] = u"Account/UserCode must have a valid entry!";
inline constexpr char16_t kPasswordBlank[] = u"Password is blank!";
inline constexpr char16_t kPasswordMismatch[] = u"Password and confirmation entry do not match!";
inline constexpr char16_t kInvalidExpiry[] = u"  Enter a valid Expiry Date!";
inline constexpr char16_t kBarInEntry[] = u"The character | cannot be used in an entry.";
inline constexpr char16_t kBarInName[] = u"The character | cannot be used here.";
inline constexpr char16_t kCategoryMissing[] = u"You have not specified a Category!";
inline constexpr char16_t kCategoryExists[] = u"This Category already exists!";

}  // namespace keyloft::cli
