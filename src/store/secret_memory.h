#pragma once
// Wiping secrets: texts that held passwords, answers, entries or keys are overwritten with zeros
// (sodium_memzero, which the compiler may not leave out) before their memory goes back.

#include <string>
#include <vector>

#include "store/profile.h"

namespace keyloft {

// Overwrites the whole buffer of the text (its spare capacity too) and leaves it empty.
void Wipe(std::u16string& text);
void Wipe(std::string& bytes);
void Wipe(std::vector<std::u16string>& texts);
void Wipe(Entry& entry);
// Every text of the profile, then the profile as a fresh one (no logon, no lists, version 0).
void Wipe(Profile& profile);

// A text that is wiped when it goes (a record or a decrypted line on its way through).
class WipedText {
  public:
    WipedText() = default;
    explicit WipedText(std::u16string text) : text_(std::move(text)) {}
    ~WipedText() { Wipe(text_); }
    WipedText(const WipedText&) = delete;
    WipedText& operator=(const WipedText&) = delete;
    std::u16string& operator*() { return text_; }
    const std::u16string& operator*() const { return text_; }
    std::u16string* operator->() { return &text_; }
    const std::u16string* operator->() const { return &text_; }

  private:
    std::u16string text_;
};

}  // namespace keyloft
