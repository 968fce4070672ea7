#include "store/entry.h"

#include <string>
#include <utility>

#include "store/expiry_date.h"
#include "store/profile_codec.h"
#include "store/text_convert.h"

namespace keyloft {
namespace {

bool HasBar(std::u16string_view text) { return text.find(kFieldSeparator) != std::u16string_view::npos; }

EntryCheck Refuse(EntryCheck check, EntryCheck::Refusal refusal, std::u16string message) {
    check.refusal = refusal;
    check.message = std::move(message);
    check.stored = {};
    return check;
}

// An entry record: the kind, eight fields of the longest length, nine separators and a sum of at
// most 255 per unit (eleven digits at most).
static_assert(StoredLineLength(1 + 8 * kMaxFieldLength + 9 + 11) <= kMaxProfileLineLength,
              "an entry of the longest fields must fit in one profile line");

}  // namespace

std::optional<std::u16string> FieldLengthProblem(std::u16string_view fieldName, std::u16string_view text) {
    if (text.size() <= kMaxFieldLength) return std::nullopt;
    const std::string limit = std::to_string(kMaxFieldLength);
    return u"The " + std::u16string(fieldName) + u" field is too long: at most " +
           std::u16string(limit.begin(), limit.end()) + u" characters.";
}

EntryCheck CheckEntry(const Entry& typed, std::u16string_view confirmation, const ExpiryDateReader& dates) {
    EntryCheck check;
    // The record format has no escape for its separator.
    for (const std::u16string_view text :
         {std::u16string_view(typed.category), std::u16string_view(typed.description),
          std::u16string_view(typed.userCode), std::u16string_view(typed.password), confirmation,
          std::u16string_view(typed.notes), std::u16string_view(typed.expiryDate),
          std::u16string_view(typed.webSite), std::u16string_view(typed.email)}) {
        if (HasBar(text)) return Refuse(check, EntryCheck::Refusal::BarInEntry, kBarInEntryText);
    }
    // Named as the window labels them.
    for (const auto& [name, text] : {std::pair{u"Category", std::u16string_view(typed.category)},
                                     std::pair{u"Description", std::u16string_view(typed.description)},
                                     std::pair{u"User/Account Code", std::u16string_view(typed.userCode)},
                                     std::pair{u"Password/PIN", std::u16string_view(typed.password)},
                                     std::pair{u"Notes", std::u16string_view(typed.notes)},
                                     std::pair{u"Expiry Date", std::u16string_view(typed.expiryDate)},
                                     std::pair{u"Web Site", std::u16string_view(typed.webSite)},
                                     std::pair{u"Email", std::u16string_view(typed.email)}}) {
        if (std::optional<std::u16string> problem = FieldLengthProblem(name, text)) {
            check.refusal = EntryCheck::Refusal::TooLong;
            check.message = std::move(*problem);
            check.stored = {};
            return check;
        }
    }
    check.stored.userCode = TrimBlanks(typed.userCode);
    if (check.stored.userCode.empty())
        return Refuse(check, EntryCheck::Refusal::UserCodeRequired, kUserCodeRequiredText);
    check.stored.password = TrimBlanks(typed.password);
    check.passwordBlank = check.stored.password.empty();
    if (check.stored.password != TrimBlanks(confirmation))
        return Refuse(check, EntryCheck::Refusal::PasswordMismatch, kEntryPasswordMismatchText);
    std::optional<std::u16string> expiry = dates.textToStore(typed.expiryDate);
    if (!expiry) {
        return Refuse(check, EntryCheck::Refusal::InvalidExpiry,
                      std::u16string(kInvalidExpiryText) + u"\n" + dates.acceptedForms());
    }
    check.stored.expiryDate = std::move(*expiry);
    check.stored.category = TrimBlanks(typed.category);
    check.stored.description = TrimBlanks(typed.description);
    check.stored.notes = TrimBlanks(typed.notes);
    check.stored.webSite = typed.webSite;
    check.stored.email = typed.email;
    return check;
}

EntryCheck CheckEntry(const TypedEntry& typed, const ExpiryDateReader& dates) {
    if (!typed.keepStoredExpiry) return CheckEntry(typed.fields, typed.confirmation, dates);
    Entry fields = typed.fields;
    fields.expiryDate.clear();
    EntryCheck check = CheckEntry(fields, typed.confirmation, dates);
    if (check.accepted()) check.stored.expiryDate = typed.fields.expiryDate;
    return check;
}

std::optional<std::u16string> CheckCategoryName(const CategoryList& categories, std::u16string_view name,
                                                std::size_t excluding) {
    if (auto problem = CheckCategoryNameText(name)) return problem;
    const Category* same = categories.findIgnoringCase(name);
    if (same != nullptr &&
        (excluding == 0 || excluding > categories.size() || same != &categories.at(excluding)))
        return std::u16string(kCategoryExistsText);
    return std::nullopt;
}

std::optional<std::u16string> CheckCategoryNameText(std::u16string_view name) {
    if (name.empty()) return std::u16string(kNoCategoryText);
    if (HasBar(name)) return std::u16string(kBarInNameText);
    return FieldLengthProblem(u"Category", name);
}

}  // namespace keyloft
