#pragma once
// Typed values written as the record texts of a profile file ("4|category|description|...",
// "5|question|answer"): the shortest way for a test to spell out an entry or a question.

#include <string>
#include <string_view>
#include <vector>

#include "store/profile.h"
#include "store/profile_codec.h"

namespace keyloft::testing {

inline Entry EntryOf(std::u16string_view record) { return EntryFromFields(SplitFields(record)); }

inline SecurityQuestion QuestionOf(std::u16string_view record) {
    std::vector<std::u16string> fields = SplitFields(record);
    fields.resize(3);
    return SecurityQuestion{fields[1], fields[2]};
}

inline std::vector<Entry> EntriesOf(const std::vector<std::u16string>& records) {
    std::vector<Entry> entries;
    for (const std::u16string& record : records) entries.push_back(EntryOf(record));
    return entries;
}

inline std::vector<SecurityQuestion> QuestionsOf(const std::vector<std::u16string>& records) {
    std::vector<SecurityQuestion> questions;
    for (const std::u16string& record : records) questions.push_back(QuestionOf(record));
    return questions;
}

inline std::vector<std::u16string> RecordsOf(const std::vector<Entry>& entries) {
    std::vector<std::u16string> records;
    for (const Entry& entry : entries) records.push_back(EntryRecord(entry));
    return records;
}

}  // namespace keyloft::testing
