#include "store/profile.h"

#include <sodium.h>

namespace keyloft {

void WipeText(std::u16string& text) {
    // Every unit the text may ever have used, not only those it holds now.
    text.resize(text.capacity());
    sodium_memzero(text.data(), text.size() * sizeof(char16_t));
    text.clear();
    text.shrink_to_fit();
}

void CategoryList::wipe() {
    for (Item& item : items_) {
        WipeText(item.key);
        WipeText(item.record);
    }
    items_.clear();
    items_.shrink_to_fit();
    while (!foldedKeys_.empty()) {
        auto node = foldedKeys_.extract(foldedKeys_.begin());
        WipeText(node.value());
    }
}

void WipeProfile(Profile& profile) {
    for (std::u16string* text : {&profile.userId, &profile.password, &profile.pin}) WipeText(*text);
    for (std::vector<std::u16string>* records : {&profile.entries, &profile.questions}) {
        for (std::u16string& record : *records) WipeText(record);
        records->clear();
        records->shrink_to_fit();
    }
    profile.categories.wipe();
    profile = Profile{};
}

std::vector<std::u16string> SplitFields(std::u16string_view record) {
    std::vector<std::u16string> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t bar = record.find(kFieldSeparator, start);
        if (bar == std::u16string_view::npos) {
            fields.emplace_back(record.substr(start));
            return fields;
        }
        fields.emplace_back(record.substr(start, bar - start));
        start = bar + 1;
    }
}

std::u16string JoinFields(const std::vector<std::u16string>& fields) {
    std::u16string joined;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i != 0) {
            joined += kFieldSeparator;
        }
        joined += fields[i];
    }
    return joined;
}

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
    const bool evenCapital = (c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || (c >= 0x4D0 && c <= 0x4FF);
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

std::u16string CategoryList::Item::name() const {
    const std::vector<std::u16string> fields = SplitFields(record);
    return fields.size() > 1 ? fields[1] : std::u16string{};
}

bool CategoryList::add(std::u16string key, std::u16string record) {
    if (!foldedKeys_.insert(FoldCase(key)).second) {
        return false;
    }
    items_.push_back(Item{std::move(key), std::move(record)});
    return true;
}

bool CategoryList::containsKey(std::u16string_view key) const { return foldedKeys_.count(FoldCase(key)) != 0; }

void CategoryList::removeAt(std::size_t position) {
    if (position >= 1 && position <= items_.size()) {
        const auto item = items_.begin() + static_cast<std::ptrdiff_t>(position - 1);
        foldedKeys_.erase(FoldCase(item->key));
        items_.erase(item);
    }
}

void AddNewCategory(CategoryList& categories, std::u16string_view name) {
    const std::u16string record = std::u16string(u"3") + kFieldSeparator + std::u16string(name);
    if (!categories.add(u"C" + FoldCase(name), record)) {
        categories.add(std::u16string(name), record);
    }
}

}  // namespace keyloft
