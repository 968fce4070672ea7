#pragma once
// The one loaded profile, held as the record texts that are written back to its file.
// Items of the three collections are record texts with their kind prefix ("4|category|...")
// and without the record sum. Items are addressed by 1-based position, in file order.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace keyloft {

inline constexpr char16_t kFieldSeparator = u'|';

enum LogonMode : std::int32_t { kPasswordOnly = 1, kUserIdAndPassword = 2, kUserIdPasswordAndPin = 3 };
enum AnswerMode : std::int32_t { kOneAnswer = 1, kTwoAnswers = 2, kAllAnswers = 3 };

// Splits a record text on "|" (an empty text gives one empty field).
std::vector<std::u16string> SplitFields(std::u16string_view record);
std::u16string JoinFields(const std::vector<std::u16string>& fields);

// Categories keep a lookup key per record; keys compare without regard to letter case.
class CategoryList {
public:
    struct Item {
        std::u16string key;
        std::u16string record;  // "3|name"
        std::u16string name() const;
    };
    // False (nothing added) when the key is already taken, ignoring case.
    bool add(std::u16string key, std::u16string record);
    bool containsKey(std::u16string_view key) const;
    void removeAt(std::size_t position);  // 1-based
    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    const Item& at(std::size_t position) const { return items_.at(position - 1); }  // 1-based
    const std::vector<Item>& items() const { return items_; }
    void clear() {
        items_.clear();
        foldedKeys_.clear();
    }
    // Zeroes every key and record in memory, then empties the list.
    void wipe();

private:
    std::vector<Item> items_;
    std::unordered_set<std::u16string> foldedKeys_;  // every key, case folded: one look per add
};

// Letter-case folding used for category keys (simple, per code unit).
std::u16string FoldCase(std::u16string_view text);

// Adds the record "3|name" at the end of the categories under the key a category added while the
// program runs gets: "C" and the name in upper case. When a category loaded from the file already
// holds that key (a category named "Cbank" when "bank" is added), the name itself is the key, as
// it will be when the file is next loaded, so the new name is never silently dropped.
void AddNewCategory(CategoryList& categories, std::u16string_view name);

// The name that stands for no category (the category lists show it first).
inline constexpr char16_t kNoneCategory[] = u"<None>";

struct Profile {
    std::int32_t logonMode = 0;
    std::u16string userId;
    std::u16string password;
    std::u16string pin;
    std::int32_t version = 0;
    std::int32_t answerMode = 0;
    CategoryList categories;
    std::vector<std::u16string> entries;    // "4|category|description|userCode|password|notes|expiryDate|webSite|email"
    std::vector<std::u16string> questions;  // "5|question|answer"
};

// Zeroes the text's memory (its whole capacity) and leaves it empty.
void WipeText(std::u16string& text);
// Zeroes every text the Profile holds (logon details, entries, categories, questions) and
// leaves it as a Profile that was never loaded.
void WipeProfile(Profile& profile);

// Field positions of an entry record (field 0 is the kind "4").
enum EntryField : int {
    kEntryCategory = 1,
    kEntryDescription = 2,
    kEntryUserCode = 3,
    kEntryPassword = 4,
    kEntryNotes = 5,
    kEntryExpiryDate = 6,
    kEntryWebSite = 7,
    kEntryEmail = 8,
};

}  // namespace keyloft
