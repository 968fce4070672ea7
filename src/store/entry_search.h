#pragma once
// Finding entries as the user types. A search text matches an entry when it is part of the entry's
// description, user code, notes, web site, e-mail address or category, letter case and accents
// aside ("cafe" finds "Café", "STRASSE" finds "Straße"). The password and the expiry date are not
// searched. The window's search box and `keyloft-cli ls --search` both use this rule.

#include <string>
#include <string_view>

namespace keyloft {

struct Entry;

// The text as the search compares it: case folded, compatibility forms and accents removed
// (Unicode case folding, NFKD, combining marks stripped), one code point per element. Lone
// surrogates stay as they are.
std::u32string FoldForSearch(std::u16string_view text);

class EntrySearch {
  public:
    // Blanks around the text are ignored; an empty text matches every entry.
    explicit EntrySearch(std::u16string_view text);

    bool matchesAll() const { return needle_.empty(); }
    // One object per thread: the comparison reuses a buffer of its own. The fields are compared
    // where they are, without a copy: what a list of thousands does for every keystroke.
    bool matches(const Entry& entry) const;
    bool matchesText(std::u16string_view text) const;

  private:
    std::u32string needle_;
    std::u16string asciiNeedle_;  // the needle when it is ASCII only (lower case); else empty
    mutable std::u32string folded_;
};

}  // namespace keyloft
