// The tool's own text output: the list, JSON and CSV.
#include <gtest/gtest.h>

#include <string>

#include "cli/entry_output.h"
#include "store/utf8_text.h"
#include "support/unicode_samples.h"

namespace keyloft::cli {
namespace {

TEST(CliOutput, CsvQuotesOnlyWhereNeeded) {
    EXPECT_EQ(CsvField("plain"), "plain");
    EXPECT_EQ(CsvField("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CsvField("two\nlines"), "\"two\nlines\"");
    Entry entry;
    entry.description = u"x,y";
    entry.password = u"p";
    EXPECT_EQ(CsvRow(3, entry), "3,,\"x,y\",,p,,,,\r\n");
}

TEST(CliOutput, ListMasksThePasswordAndEscapesControlCharacters) {
    Entry entry;
    entry.userCode = u"me";
    entry.password = u"secret";
    entry.notes = u"a\tb\nc\\";
    entry.description = u"Z\u00fcrich \U0001F600";
    std::string row;
    AppendListRow(row, 7, entry, false);
    EXPECT_EQ(row, "7\t\t\tZ\u00fcrich \U0001F600\tme\t**********\ta\\tb\\nc\\\\\t\t\t\n");
    std::string due = "before\n";
    AppendListRow(due, 12, entry, true);
    EXPECT_EQ(due.substr(0, 12), "before\n12\t!\t");
    EXPECT_EQ(row.find("secret"), std::string::npos);
    EXPECT_FALSE(EntryJson(7, entry, PasswordShown::Masked).contains("password"));
    EXPECT_EQ(EntryJson(7, entry, PasswordShown::Clear)["password"], "secret");
}

// The list's JSON is written by hand for speed: byte for byte what the JSON library dumps.
TEST(CliOutput, ListJsonIsWhatTheJsonLibraryWrites) {
    const std::u16string texts[] = {u"",
                                    u"plain text",
                                    u"say \"hi\" \\ there",
                                    u"tab\tline\nfeed\r",
                                    u"\b\f\x01\x1f\x7f",
                                    u"Z\u00fcrich \U0001F600",
                                    u"lone \xD800 half"};
    for (const bool empty : {true, false}) {
        std::string written;
        nlohmann::ordered_json array = nlohmann::ordered_json::array();
        for (std::size_t i = 0; !empty && i < std::size(texts); ++i) {
            Entry entry;
            std::size_t k = i;
            for (std::u16string* field : {&entry.category, &entry.description, &entry.userCode, &entry.notes,
                                          &entry.expiryDate, &entry.webSite, &entry.email})
                *field = texts[k++ % std::size(texts)];
            entry.password = u"secret";
            AppendListJson(written, i + 1, entry, i % 2 == 0);
            nlohmann::ordered_json object = EntryJson(i + 1, entry, PasswordShown::Masked);
            object["expiresSoon"] = i % 2 == 0;
            array.push_back(std::move(object));
        }
        written += written.empty() ? "[]" : "\n]";
        EXPECT_EQ(written, array.dump(2));
    }
}

}  // namespace
}  // namespace keyloft::cli
