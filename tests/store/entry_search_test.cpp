// The one rule for finding entries as the user types (the window's search box and ls --search).
#include "store/entry_search.h"

#include <gtest/gtest.h>

#include <string>

#include "store/entry.h"
#include "store/text_convert.h"

namespace keyloft {
namespace {

// Every searched field holds something different; the password and the expiry date hold words
// that no searched field has.
const Entry kEntry{u"Restaurants",
                   u"Caf\u00e9 de Fl\u00f4re",
                   u"Stra\u00dfe_User",
                   u"hunter2secret",
                   u"Table for TWO\nna\u00efve note",
                   u"12/2031",
                   u"https://\uff21cme.example",
                   u"\U0001F600bob@mail.example"};

struct Case {
    const char16_t* search;
    bool found;
    const char* why;
};

TEST(EntrySearch, MatchesPartsOfTheSearchedFieldsLetterCaseAndAccentsAside) {
    const Case cases[] = {
        {u"", true, "nothing typed lists everything"},
        {u"   ", true, "blanks only count as nothing typed"},
        {u"cafe", true, "accent aside"},
        {u"CAF\u00c9", true, "accent and case both ways"},
        {u"Cafe\u0301", true, "a typed combining accent"},
        {u"flore", true, "circumflex aside"},
        {u" de fl ", true, "blanks around the text are dropped, those inside kept"},
        {u"strasse", true, "sharp s folds to ss (user code)"},
        {u"two\nnaive", true, "notes, across a line end"},
        {u"acme", true, "full-width letters of the web site"},
        {u"\U0001F600BOB", true, "a character outside the BMP, then case (e-mail)"},
        {u"restaur", true, "category"},
        {u"hunter2", false, "the password is never searched"},
        {u"2031", false, "nor is the expiry date"},
        {u"caffe", false, "a substring, not a likeness"},
        {u"cafe de flore restaurants", false, "one field at a time"},
    };
    for (const Case& c : cases) {
        const EntrySearch search(c.search);
        EXPECT_EQ(search.matches(kEntry), c.found) << c.why << ": \"" << Utf16ToUtf8(c.search) << "\"";
    }
    EXPECT_TRUE(EntrySearch(u"").matchesAll());
    EXPECT_FALSE(EntrySearch(u"x").matchesAll());
}

TEST(EntrySearch, FoldingKeepsWhatItCannotReadAndDropsInvisibleMarks) {
    EXPECT_EQ(FoldForSearch(u"A\xD800z"), (std::u32string{U'a', 0xD800, U'z'}));  // a lone surrogate stays
    EXPECT_EQ(FoldForSearch(u"so\u00adft"), U"soft");                             // a soft hyphen is dropped
    EXPECT_EQ(FoldForSearch(u"\u0130stanbul"), U"istanbul");                      // dotted capital I
    EXPECT_TRUE(EntrySearch(u"\xDC00").matchesText(u"x\xDC00y"));
    EXPECT_TRUE(EntrySearch(u"SS").matchesText(u"\u00df"));  // a text shorter than the search, folded longer
    EXPECT_TRUE(EntrySearch(u"e").matchesText(u"\u00c9"));
}

}  // namespace
}  // namespace keyloft
