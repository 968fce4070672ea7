#include "store/profile_name.h"

namespace keyloft {
namespace {

bool IsRefusedCharacter(char16_t c) {
    return c < 0x20 || c == 0x7F || std::u16string_view(u".\\/:*?\"<>|").find(c) != std::u16string_view::npos;
}

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c; }

bool EqualsIgnoringCase(std::u16string_view name, std::u16string_view upper) {
    if (name.size() != upper.size()) {
        return false;
    }
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (Upper(name[i]) != upper[i]) {
            return false;
        }
    }
    return true;
}

// Windows takes these names for devices whatever follows them, and ignores trailing blanks.
bool IsDeviceName(std::u16string_view name) {
    while (!name.empty() && name.back() == u' ') {
        name.remove_suffix(1);
    }
    for (const std::u16string_view device : {u"NUL", u"CON", u"PRN", u"AUX", u"CONIN$", u"CONOUT$"}) {
        if (EqualsIgnoringCase(name, device)) {
            return true;
        }
    }
    if (name.size() == 4 && (EqualsIgnoringCase(name.substr(0, 3), u"COM") || EqualsIgnoringCase(name.substr(0, 3), u"LPT"))) {
        const char16_t n = name[3];
        // The superscript digits count as digits here as well.
        return (n >= u'1' && n <= u'9') || n == u'\u00B9' || n == u'\u00B2' || n == u'\u00B3';
    }
    return false;
}

}  // namespace

bool IsAcceptableProfileName(std::u16string_view name) {
    if (name.empty()) {
        return false;
    }
    for (const char16_t c : name) {
        if (IsRefusedCharacter(c)) {
            return false;
        }
    }
    return !IsDeviceName(name);
}

}  // namespace keyloft
