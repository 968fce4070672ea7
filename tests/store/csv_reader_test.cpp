#include "store/csv_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace keyloft {
namespace {

using Fields = std::vector<std::string>;

std::vector<Fields> FieldsOf(const CsvDocument& document) {
    std::vector<Fields> rows;
    for (const CsvRecord& record : document.records) rows.push_back(record.fields);
    return rows;
}

TEST(CsvReader, LineEndsByteOrderMarkAndEmptyFields) {
    for (const std::string eol : {"\r\n", "\n", "\r"}) {
        const CsvDocument document = ReadCsv(
            "\xEF\xBB\xBF"
            "a,b,c" +
            eol + "1,,3" + eol + eol + ",," + eol);
        ASSERT_FALSE(document.error) << document.error->reason;
        EXPECT_EQ(FieldsOf(document), (std::vector<Fields>{{"a", "b", "c"}, {"1", "", "3"}, {"", "", ""}}));
        ASSERT_EQ(document.records.size(), 3u);
        EXPECT_EQ(document.records[1].line, 2u);
        EXPECT_EQ(document.records[2].line, 4u);  // the empty line is skipped, not counted away
    }
    // No line break at the end, and a trailing comma: one more empty field.
    EXPECT_EQ(FieldsOf(ReadCsv("x,y,")), (std::vector<Fields>{{"x", "y", ""}}));
    // A byte order mark only at the start is taken away.
    EXPECT_EQ(FieldsOf(ReadCsv("a\n\xEF\xBB\xBF"
                               "b")),
              (std::vector<Fields>{{"a"},
                                   {"\xEF\xBB\xBF"
                                    "b"}}));
    EXPECT_TRUE(ReadCsv("").records.empty());
    EXPECT_TRUE(ReadCsv("\xEF\xBB\xBF").records.empty());
}

TEST(CsvReader, QuotedFieldsKeepCommasQuotesAndLineBreaks) {
    const CsvDocument document = ReadCsv(
        "name,notes\r\n"
        "\"Smith, J\",\"say \"\"hi\"\"\r\nsecond line\nthird\"\r\n"
        "\"\",\"\"\"\"\r\n"
        "plain\"quote,\"a|b\"\r\n");
    ASSERT_FALSE(document.error) << document.error->reason;
    EXPECT_EQ(FieldsOf(document), (std::vector<Fields>{{"name", "notes"},
                                                       {"Smith, J", "say \"hi\"\r\nsecond line\nthird"},
                                                       {"", "\""},
                                                       {"plain\"quote", "a|b"}}));
    // Records start on the line where they begin; the quoted line breaks count.
    EXPECT_EQ(document.records[1].line, 2u);
    EXPECT_EQ(document.records[2].line, 5u);
    EXPECT_EQ(document.records[3].line, 6u);
}

TEST(CsvReader, MalformedQuotingIsReportedWithItsLine) {
    CsvDocument document = ReadCsv("a,b\n1,\"open\nstill open\n");
    ASSERT_TRUE(document.error);
    EXPECT_EQ(document.error->line, 2u);
    EXPECT_EQ(document.error->reason, "a quoted field is not closed");
    EXPECT_EQ(FieldsOf(document), (std::vector<Fields>{{"a", "b"}}));

    document = ReadCsv("a\n\"x\ny\"z,1\n");
    ASSERT_TRUE(document.error);
    EXPECT_EQ(document.error->line, 3u);
    EXPECT_EQ(document.error->reason, "text follows the closing quote of a field");
}

}  // namespace
}  // namespace keyloft
