#include "store/secret_memory.h"

#include <sodium.h>

namespace keyloft {
namespace {

template <typename Text>
void WipeBuffer(Text& text) {
    // The spare capacity may hold an older, longer content: it is made part of the text (which
    // fills it with zeros without a new allocation) and then overwritten as a whole.
    text.resize(text.capacity());
    sodium_memzero(text.data(), text.size() * sizeof(typename Text::value_type));
    text.clear();
}

}  // namespace

void Wipe(std::u16string& text) { WipeBuffer(text); }
void Wipe(std::string& bytes) { WipeBuffer(bytes); }

void Wipe(std::vector<std::u16string>& texts) {
    for (std::u16string& text : texts) {
        Wipe(text);
    }
    texts.clear();
}

void Wipe(Entry& entry) {
    for (std::u16string* text : {&entry.category, &entry.description, &entry.userCode, &entry.password,
                                 &entry.notes, &entry.expiryDate, &entry.webSite, &entry.email}) {
        Wipe(*text);
    }
}

void Wipe(Profile& profile) {
    Wipe(profile.userId);
    Wipe(profile.password);
    Wipe(profile.pin);
    for (Entry& entry : profile.entries) {
        Wipe(entry);
    }
    for (Category& category : profile.categories.items_) {
        Wipe(category.name);
    }
    for (SecurityQuestion& question : profile.questions) {
        Wipe(question.question);
        Wipe(question.answer);
    }
    profile = Profile{};
}

}  // namespace keyloft
