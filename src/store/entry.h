#pragma once
// The rules an entry obeys: the checks a typed entry must pass before it is stored, and the rules
// for category names. The store applies them in its edit operations (store/profile_edits.h); the
// window and the command-line tool show the messages given here.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "store/profile.h"

namespace keyloft {

class ExpiryDateReader;

// An entry as the user typed it, with the password's confirmation.
struct TypedEntry {
    Entry fields;
    std::u16string confirmation;
    // A change that keeps the stored expiry date as it is, whatever its form (the command-line
    // tool's edit without --expiry): the typed expiry date is neither read nor checked.
    bool keepStoredExpiry = false;
};

// Messages of the checks.
inline constexpr char16_t kBarInEntryText[] = u"The character | cannot be used in an entry.";
inline constexpr char16_t kUserCodeRequiredText[] = u"Account/UserCode must have a valid entry!";
inline constexpr char16_t kPasswordBlankText[] = u"Password is blank!";
inline constexpr char16_t kEntryPasswordMismatchText[] = u"Password and confirmation entry do not match!";
inline constexpr char16_t kInvalidExpiryText[] = u"  Enter a valid Expiry Date!";
inline constexpr char16_t kNoCategoryText[] = u"You have not specified a Category!";
inline constexpr char16_t kBarInNameText[] = u"The character | cannot be used here.";
inline constexpr char16_t kCategoryExistsText[] = u"This Category already exists!";

// The longest text a field of an entry, or a category name, may hold (UTF-16 code units). Every
// record is one line of the profile file, and the loader refuses a line longer than
// kMaxProfileLineLength as damage: an entry whose eight fields are all this long still fits.
inline constexpr std::size_t kMaxFieldLength = 100000;

// "The <field> field is too long: at most 100000 characters." when the text is longer than
// kMaxFieldLength; nothing otherwise.
std::optional<std::u16string> FieldLengthProblem(std::u16string_view fieldName, std::u16string_view text);

struct EntryCheck {
    enum class Refusal { None, BarInEntry, TooLong, UserCodeRequired, PasswordMismatch, InvalidExpiry };
    Refusal refusal = Refusal::None;
    std::u16string message;      // the refusal's message; empty when accepted
    bool passwordBlank = false;  // warn (kPasswordBlankText) before the refusal's message, if any
    Entry stored;                // what to store when accepted

    bool accepted() const { return refusal == Refusal::None; }
};

// The checks of an entry as typed, in this order: "|" in any field or in the confirmation; a field
// longer than kMaxFieldLength (the message names the field); a user code; (a blank password is
// only a warning); the password equal to its confirmation; the expiry date. Text fields and the password are
// stored trimmed of blanks, the web site and the e-mail address as typed, the expiry date as `dates` stores
// it.
EntryCheck CheckEntry(const Entry& typed, std::u16string_view confirmation, const ExpiryDateReader& dates);
// The same for an entry as typed; one that keeps its stored expiry date keeps it unread.
EntryCheck CheckEntry(const TypedEntry& typed, const ExpiryDateReader& dates);

// Checks a category name (already trimmed) for a new category (excluding 0) or as the new name of
// the category at 1-based position `excluding`, which may change the letter case of its own name.
// Names are unique without regard to letter case and no longer than kMaxFieldLength. Nothing
// when the name may be stored.
std::optional<std::u16string> CheckCategoryName(const CategoryList& categories, std::u16string_view name,
                                                std::size_t excluding);
// The checks of a category name that need no list: not empty, no "|", not too long.
std::optional<std::u16string> CheckCategoryNameText(std::u16string_view name);

}  // namespace keyloft
