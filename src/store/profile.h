#pragma once
// The one loaded profile as typed values: its logon, its security questions, its categories and
// its entries. Only the store changes it (store/profile_edits.h: every change is an operation
// that checks, applies and saves); everyone else reads it through a const reference. The record
// texts of the file ("4|category|...") exist only where files are read and written
// (store/profile_codec.h, store/sealed_profile.h).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace keyloft {

struct Profile;

// Joins the fields of a record in the file; no field may hold it.
inline constexpr char16_t kFieldSeparator = u'|';

enum LogonMode : std::int32_t { kPasswordOnly = 1, kUserIdAndPassword = 2, kUserIdPasswordAndPin = 3 };
enum AnswerMode : std::int32_t { kOneAnswer = 1, kTwoAnswers = 2, kAllAnswers = 3 };

// One account of the profile.
struct Entry {
    std::u16string category, description, userCode, password, notes, expiryDate, webSite, email;

    bool operator==(const Entry&) const = default;
};

// For sets of entries: equal entries (every field equal) hash alike.
struct EntryHash {
    std::size_t operator()(const Entry& entry) const noexcept;
};

struct Category {
    std::u16string name;

    bool operator==(const Category&) const = default;
};

// A question for a forgotten logon and its answer.
struct SecurityQuestion {
    std::u16string question;
    std::u16string answer;

    bool operator==(const SecurityQuestion&) const = default;
};

// Letter-case folding of category names (simple, per code unit).
std::u16string FoldCase(std::u16string_view text);

// The categories in profile order. Names are unique without regard to letter case: a file holding
// two names that differ only in case cannot be loaded.
class CategoryList {
  public:
    // False (nothing added) when a category of that name, in any letter case, is there already.
    bool add(std::u16string name);
    void removeAt(std::size_t position);  // 1-based; nothing when there is no such category
    // 1-based position of the first category named exactly `name`; 0 when none or name is empty.
    std::size_t find(std::u16string_view name) const;
    // The category whose name equals `name` ignoring letter case; null when none.
    const Category* findIgnoringCase(std::u16string_view name) const;
    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    const Category& at(std::size_t position) const { return items_.at(position - 1); }  // 1-based
    const std::vector<Category>& items() const { return items_; }
    std::vector<Category>::const_iterator begin() const { return items_.begin(); }
    std::vector<Category>::const_iterator end() const { return items_.end(); }
    void clear();

  private:
    friend void Wipe(Profile& profile);  // store/secret_memory.h

    std::vector<Category> items_;
    std::unordered_map<std::u16string, std::size_t> positions_;  // folded name -> index: one look per add
};

// The name that stands for no category (the category lists show it first).
inline constexpr char16_t kNoneCategory[] = u"<None>";

struct Profile {
    // What tells this profile's files from another profile's: 32 hexadecimal digits drawn when the
    // profile was made (or first saved by a version that writes it), kept by every save, so that a
    // conflict copy shows which profile it is a copy of. Empty for a file saved without it.
    std::string identity;
    std::int32_t logonMode = 0;
    std::u16string userId;
    std::u16string password;
    std::u16string pin;
    std::int32_t version = 0;
    std::int32_t answerMode = 0;
    CategoryList categories;
    std::vector<Entry> entries;  // addressed by 1-based position, in file order
    std::vector<SecurityQuestion> questions;
};

}  // namespace keyloft
