#include "store/entry_search.h"

#include <utf8proc.h>

#include <algorithm>
#include <iterator>
#include <optional>

#include "store/entry.h"
#include "store/text_convert.h"

namespace keyloft {
namespace {

constexpr auto kFolding = static_cast<utf8proc_option_t>(
    UTF8PROC_CASEFOLD | UTF8PROC_DECOMPOSE | UTF8PROC_COMPAT | UTF8PROC_STRIPMARK | UTF8PROC_IGNORE);

// Appends the folded form of `text` to `out`. Letters, digits and punctuation of ASCII are folded
// here (the common case, and the fast one); everything else goes through utf8proc's tables.
void AppendFolded(std::u16string_view text, std::u32string& out) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c < 0x80) {
            out.push_back(c >= U'A' && c <= U'Z' ? c + (U'a' - U'A') : c);
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            out.push_back(c);  // a lone surrogate: no character to fold
            continue;
        }
        utf8proc_int32_t mapped[18];  // the longest decomposition with case folding is 18 code points
        int boundary = UTF8PROC_BOUNDCLASS_START;
        const utf8proc_ssize_t count = utf8proc_decompose_char(static_cast<utf8proc_int32_t>(c), mapped,
                                                               std::size(mapped), kFolding, &boundary);
        if (count < 0 || static_cast<std::size_t>(count) > std::size(mapped)) {
            out.push_back(c);
            continue;
        }
        for (utf8proc_ssize_t k = 0; k < count; ++k) out.push_back(static_cast<char32_t>(mapped[k]));
    }
}

constexpr char16_t LowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c; }

// The common case without folding: an ASCII needle in a text of ASCII only. Nothing when the text
// holds anything else (which then has to be folded). A match found before that is a match of the
// folded text too: every character folds by itself, and ASCII to ASCII.
std::optional<bool> FindAscii(std::u16string_view text, std::u16string_view needle) {
    const std::size_t last = text.size() >= needle.size() ? text.size() - needle.size() : 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0x80) return std::nullopt;
        if (i > last || text.size() < needle.size() || LowerAscii(c) != needle[0]) continue;
        std::size_t k = 1;
        while (k < needle.size() && LowerAscii(text[i + k]) == needle[k]) ++k;
        if (k == needle.size()) return true;
    }
    return false;
}

}  // namespace

std::u32string FoldForSearch(std::u16string_view text) {
    std::u32string folded;
    folded.reserve(text.size());
    AppendFolded(text, folded);
    return folded;
}

EntrySearch::EntrySearch(std::u16string_view text) : needle_(FoldForSearch(TrimBlanks(text))) {
    if (std::all_of(needle_.begin(), needle_.end(), [](char32_t c) { return c < 0x80; }))
        asciiNeedle_.assign(needle_.begin(), needle_.end());
}

bool EntrySearch::matchesText(std::u16string_view text) const {
    if (needle_.empty()) return true;
    if (!asciiNeedle_.empty())
        if (const std::optional<bool> found = FindAscii(text, asciiNeedle_)) return *found;
    folded_.clear();
    AppendFolded(text, folded_);
    return folded_.find(needle_) != std::u32string::npos;
}

bool EntrySearch::matches(const Entry& entry) const {
    if (needle_.empty()) return true;
    for (const std::u16string* field :
         {&entry.description, &entry.userCode, &entry.notes, &entry.webSite, &entry.email, &entry.category})
        if (matchesText(*field)) return true;
    return false;
}

}  // namespace keyloft
