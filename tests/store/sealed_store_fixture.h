#pragma once
// The sealed store tests' starting point: a profile with every kind of record, sealed from its
// first file on, and the helpers that read its lines.

#include <string>
#include <vector>

#include "store/profile_codec.h"
#include "store/sealed_profile.h"
#include "store_fixture.h"
#include "support/record_values.h"
#include "support/temp_folder.h"

namespace keyloft::testing {

// Every kind of record, with text from several scripts and outside the basic plane.
inline void FillEverything(Profile& p) {
    p.logonMode = kUserIdPasswordAndPin;
    p.userId = u"J\u00f6rg";
    p.password = u"p\u00e4ss \U0001F511 w\u00f6rd";
    p.pin = u"4711";
    p.answerMode = kTwoAnswers;
    p.questions = QuestionsOf(
        {u"5|First pet?|R\u00e9x", u"5|\u6bcd\u306e\u65e7\u59d3?|\u5c71\u7530", u"5|Town|Z\u00fcrich"});
    p.categories.add(u"Bank");
    p.categories.add(u"\u0420\u0430\u0431\u043e\u0442\u0430");
    p.entries = EntriesOf(
        {u"4|Bank|Main account|u1|pw1|line one\r\nline two|12/31/2030|https://bank.example|a@b.example",
         u"4|\u0420\u0430\u0431\u043e\u0442\u0430|\U00020BB7 mail|\u00fc|\u20ac\u20ac|||| ",
         u"4||no category|||||x|"});
}

inline std::vector<std::string> Lines(const std::string& bytes) { return SplitFileLines(bytes); }

inline std::size_t LineStarting(const std::vector<std::string>& lines, const std::string& prefix) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind(prefix, 0) == 0) return i;
    }
    throw StepFailed("no line starts with " + prefix);
}

class SealedStoreTest : public StoreTest {
  protected:
    void SetUp() override { ASSERT_TRUE(sealed::Ready()); }

    // A new profile filled with every kind of record, sealed from its first file on (its password
    // was never in a readable one), logged on and saved by one instance.
    Instance& sealedProfile(std::u16string_view name) {
        Instance& a = createSealedWith(name, FillEverything);
        if (a.store->open().logOn(rightLogon()) != LogonOutcome::LoggedOn) throw StepFailed("logon");
        if (a.save() != SaveOutcome::Saved) throw StepFailed("the sealed save failed");
        return a;
    }

    void writeFile(std::u16string_view name, const std::string& bytes) {
        for (const auto& instance : instances) instance->store->open().closeHeldFile();
        TempFolder::writeFile(profileFile(name), bytes);
    }

    static LogonDetails rightLogon() {
        return {u"  J\u00f6rg ", u"p\u00e4ss \U0001F511 w\u00f6rd  ", u" 4711"};
    }
};

}  // namespace keyloft::testing
