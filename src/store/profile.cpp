#include "store/profile.h"

#include <functional>
#include <utility>

namespace keyloft {

namespace {

// Upper case of one code unit: ASCII, Latin-1, Latin Extended-A, modern Greek and Cyrillic letters.
char16_t UpperUnit(char16_t c) {
    if (c >= u'a' && c <= u'z') {
        return static_cast<char16_t>(c - 0x20);
    }
    if (c < 0x80) {
        return c;
    }
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) {
        return static_cast<char16_t>(c - 0x20);
    }
    if (c == 0xFF) {
        return 0x178;
    }
    if (c >= 0x100 && c <= 0x17F) {
        const bool evenUpper = (c <= 0x137 && c != 0x131) || (c >= 0x14A && c <= 0x177);
        const bool oddUpper = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (c == 0x131) {
            return u'I';
        }
        if (evenUpper && c % 2 == 1 && c != 0x130) {
            return static_cast<char16_t>(c - 1);
        }
        if (oddUpper && c % 2 == 0) {
            return static_cast<char16_t>(c - 1);
        }
        return c;
    }
    if (c >= 0x3B1 && c <= 0x3CB && c != 0x3C2) {  // α to ω, ϊ, ϋ
        return static_cast<char16_t>(c - 0x20);
    }
    if (c == 0x3C2) {
        return 0x3A3;
    }
    if (c == 0x3AC) {  // ά
        return 0x386;
    }
    if (c >= 0x3AD && c <= 0x3AF) {  // έ ή ί
        return static_cast<char16_t>(c - 0x25);
    }
    if (c == 0x3CC) {  // ό
        return 0x38C;
    }
    if (c == 0x3CD || c == 0x3CE) {  // ύ ώ
        return static_cast<char16_t>(c - 0x3F);
    }
    if (c >= 0x430 && c <= 0x44F) {
        return static_cast<char16_t>(c - 0x20);
    }
    if (c >= 0x450 && c <= 0x45F) {
        return static_cast<char16_t>(c - 0x50);
    }
    // The rest of the Cyrillic block pairs capital and small letters as neighbours: capital even
    // from Ѡ to ҿ and from Ӑ on, capital odd from Ӂ to Ӎ; the small palochka follows them all.
    const bool evenCapital =
        (c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x4FF);
    if (evenCapital && c % 2 == 1) {
        return static_cast<char16_t>(c - 1);
    }
    if (c >= 0x4C1 && c <= 0x4CE && c % 2 == 0) {
        return static_cast<char16_t>(c - 1);
    }
    if (c == 0x4CF) {
        return 0x4C0;
    }
    return c;
}

}  // namespace

std::u16string FoldCase(std::u16string_view text) {
    std::u16string folded(text);
    for (char16_t& c : folded) {
        c = UpperUnit(c);
    }
    return folded;
}

std::size_t EntryHash::operator()(const Entry& entry) const noexcept {
    const std::hash<std::u16string> hash;
    std::size_t combined = 0;
    for (const std::u16string* field : {&entry.category, &entry.description, &entry.userCode, &entry.password,
                                        &entry.notes, &entry.expiryDate, &entry.webSite, &entry.email}) {
        combined ^= hash(*field) + 0x9e3779b97f4a7c15ULL + (combined << 6) + (combined >> 2);
    }
    return combined;
}

bool CategoryList::add(std::u16string name) {
    std::u16string folded = FoldCase(name);
    if (positions_.count(folded) != 0) {
        return false;
    }
    positions_.emplace(std::move(folded), items_.size());
    items_.push_back(Category{std::move(name)});
    return true;
}

void CategoryList::removeAt(std::size_t position) {
    if (position < 1 || position > items_.size()) {
        return;
    }
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(position - 1));
    // Later categories move up one place.
    positions_.clear();
    for (std::size_t i = 0; i < items_.size(); ++i) {
        positions_.emplace(FoldCase(items_[i].name), i);
    }
}

std::size_t CategoryList::find(std::u16string_view name) const {
    if (name.empty()) {
        return 0;
    }
    for (std::size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].name == name) {
            return i + 1;
        }
    }
    return 0;
}

const Category* CategoryList::findIgnoringCase(std::u16string_view name) const {
    const auto found = positions_.find(FoldCase(name));
    return found == positions_.end() ? nullptr : &items_[found->second];
}

void CategoryList::clear() {
    items_.clear();
    positions_.clear();
}

}  // namespace keyloft
