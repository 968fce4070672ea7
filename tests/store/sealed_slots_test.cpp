// What opens a sealed file: one floor for every key slot (the password, each answer or combination
// of answers), the slots a save keeps or makes again, answers as the slots take them, and a password
// that a readable file held.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sealed_store_fixture.h"
#include "store/profile_codec.h"
#include "store/sealed_profile.h"
#include "store/sealing_rule.h"
#include "store/text_convert.h"
#include "support/record_values.h"
#include "support/sealed_lines.h"

namespace keyloft::testing {
namespace {

using Labels = std::vector<std::string>;

// Labels of the answer slots a plan makes ("answers:1,3").
Labels AnswerLabels(const std::vector<std::vector<int>>& combinations) {
    Labels labels;
    for (const std::vector<int>& combination : combinations) {
        std::string label = "answers:";
        for (std::size_t i = 0; i < combination.size(); ++i)
            label += (i > 0 ? "," : "") + std::to_string(combination[i]);
        labels.push_back(label);
    }
    return labels;
}

// The rule as one table. Every secret is rated as the strength meter rates a password, the
// profile's name, the user ID the logon asks for, the question texts and the other answers counted
// as known words; a combination of answers needs as many guesses as the password (10^8) together.
TEST(SealingRule, EveryWayIntoASealedFileMeetsTheSameFloor) {
    const std::vector<SecurityQuestion> strongAnswer{{u"Pet?", u"a red tricycle in 1994"}};
    const std::vector<SecurityQuestion> blueLondonRex{
        {u"Colour?", u"Blue"}, {u"Town?", u"London"}, {u"Pet?", u"Rex"}};
    const std::vector<SecurityQuestion> oneWeakOfThree{
        {u"Town?", u"Nether Wallop"}, {u"Initial?", u"x"}, {u"Pet?", u"Rex the second"}};
    const std::vector<SecurityQuestion> strongOnlyTogether{
        {u"Gran?", u"grandma rose"}, {u"Peak?", u"everest"}, {u"Town?", u"Ely"}};
    struct Case {
        const char* name;
        std::int32_t logonMode;
        const char16_t* userId;
        const char16_t* password;
        std::vector<SecurityQuestion> questions;
        std::int32_t answerMode;
        const char16_t* refusal;  // a part of the password's refusal; null: it may seal
        Labels answerSlots;
        std::int32_t allTogether;
    };
    constexpr char16_t kOwn[] = u"tundra velvet 93 quill";
    const Case cases[] = {
        {"the default password",
         1,
         u"",
         u" opensesame ",
         strongAnswer,
         1,
         u"a password of your own",
         {"answers:1"},
         0},
        {"no password", 1, u"", u"", strongAnswer, 1, u"a password of your own", {"answers:1"}, 0},
        {"a common one", 1, u"", u"Summer2024!", strongAnswer, 1, u"harder to guess", {"answers:1"}, 0},
        {"look-alikes", 1, u"", u"password1", strongAnswer, 1, u"harder to guess", {"answers:1"}, 0},
        {"the profile's name", 1, u"", u"Home2024", strongAnswer, 1, u"harder to guess", {"answers:1"}, 0},
        {"just Good", 1, u"", u"velvet quill", strongAnswer, 1, nullptr, {"answers:1"}, 0},
        {"Strong", 1, u"", u"Tr0ub4dor&3", strongAnswer, 1, nullptr, {"answers:1"}, 0},
        {"a question's text",
         1,
         u"",
         kOwn,
         {{u"Tundra velvet 93 quill?", u"a red tricycle in 1994"}},
         1,
         u"harder to guess",
         {"answers:1"},
         0},
        {"an answer",
         1,
         u"",
         u"a red tricycle in 1994",
         strongAnswer,
         1,
         u"harder to guess",
         {"answers:1"},
         0},
        {"the user ID asked for",
         2,
         u"violet harbour 47 kites",
         u"violet harbour 47 kites",
         {},
         1,
         u"harder to guess",
         {},
         0},
        {"a user ID not asked for",
         1,
         u"violet harbour 47 kites",
         u"violet harbour 47 kites",
         {},
         1,
         nullptr,
         {},
         0},
        {"one common word each", 1, u"", kOwn, blueLondonRex, 1, nullptr, {}, 0},
        {"one weak of three",
         1,
         u"",
         kOwn,
         oneWeakOfThree,
         1,
         nullptr,
         {"answers:1", "answers:3"},
         kAllAnswers},
        {"answers in any case",
         1,
         u"",
         kOwn,
         {{u"Town?", u"  NETHER   wallop "}},
         1,
         nullptr,
         {"answers:1"},
         0},
        {"the question's own words",
         1,
         u"",
         kOwn,
         {{u"Nether Wallop?", u"nether wallop"}},
         1,
         nullptr,
         {},
         0},
        {"the default answer", 1, u"", kOwn, {{u"Default Question", u"opensesame"}}, 1, nullptr, {}, 0},
        {"weak alone, strong together", 1, u"", kOwn, strongOnlyTogether, 1, nullptr, {}, kAllAnswers},
        {"pairs", 1, u"", kOwn, strongOnlyTogether, 2, nullptr, {"answers:1,2", "answers:1,3"}, kAllAnswers},
        {"all three", 1, u"", kOwn, strongOnlyTogether, 3, nullptr, {"answers:1,2,3"}, 0},
        {"two questions, each weak",
         1,
         u"",
         kOwn,
         {{u"Gran?", u"grandma rose"}, {u"Peak?", u"everest"}},
         1,
         nullptr,
         {},
         kTwoAnswers},
        {"the same answer twice",
         1,
         u"",
         kOwn,
         {{u"Gran?", u"grandma rose"}, {u"Nan?", u"Grandma Rose"}},
         2,
         nullptr,
         {},
         0},
        {"an empty answer", 1, u"", kOwn, {{u"Town?", u"nether wallop"}, {u"Pet?", u" "}}, 2, nullptr, {}, 0},
        {"all answers of two questions",
         1,
         u"",
         kOwn,
         {{u"Town?", u"nether wallop"}, {u"Pet?", u"rex the second"}},
         3,
         nullptr,
         {},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const SealingSecrets secrets{u"Home", c.logonMode, c.userId, c.password, &c.questions};
        const std::optional<std::u16string> refusal = SealingRefusal(secrets);
        EXPECT_EQ(refusal.has_value(), c.refusal != nullptr) << (refusal ? Utf16ToUtf8(*refusal) : "");
        if (refusal && c.refusal) {
            EXPECT_NE(refusal->find(c.refusal), std::u16string::npos) << Utf16ToUtf8(*refusal);
        }
        const AnswerSlots slots = PlanAnswerSlots(secrets, c.answerMode);
        EXPECT_EQ(AnswerLabels(slots.made), c.answerSlots);
        EXPECT_EQ(slots.allTogetherMode, c.allTogether);
    }
}

class SealedSlotsTest : public SealedStoreTest {
  protected:
    // The default profile, logged on, with `typed` given to the security setup: sealed with a new
    // password and these questions and answers.
    EditResult sealNew(Instance& a, const std::vector<SecurityQuestion>& questions, std::int32_t answerMode,
                       bool weakAnswersAccepted = false) {
        SecuritySettings typed;
        typed.password = typed.confirmation = u"tundra velvet 93 quill";
        typed.questions = questions;
        typed.answerMode = answerMode;
        typed.seal = true;
        typed.weakAnswersAccepted = weakAnswersAccepted;
        return a.store->edits().changeSecurity(typed);
    }
    Labels labels(std::u16string_view name) { return SlotLabels(Lines(releasedFileBytes(name))); }
    LogonOutcome answersOpen(std::u16string_view name, const std::vector<std::u16string>& typed) {
        Instance& other = startInstance();
        if (!other.open(name).loaded()) throw StepFailed("open");
        const LogonOutcome outcome = other.store->open().logOnWithAnswers(typed);
        other.store->open().closeHeldFile();
        return outcome;
    }
};

// The setup's edit: weak answers get no slot and say so; when all of them together would do, the
// edit asks first and changes nothing; the default answer never blocks sealing.
TEST_F(SealedSlotsTest, ASealingEditLeavesWeakAnswersOutAndOffersAllAnswers) {
    const std::vector<SecurityQuestion> questions{
        {u"Town?", u"Nether Wallop"}, {u"Initial?", u"x"}, {u"Pet?", u"Rex the second"}};
    Instance& a = createAndOpen(u"Home");
    ASSERT_EQ(a.store->open().logOn({u"", u"opensesame", u""}), LogonOutcome::LoggedOn);
    const std::string readable = releasedFileBytes(u"Home");
    EditResult edit = sealNew(a, questions, kOneAnswer);
    ASSERT_TRUE(edit.offer.has_value());
    EXPECT_EQ(*edit.offer,
              u"The answer to \"Initial?\" is too easy to guess to open the sealed file. All three answers "
              u"together are "
              u"hard enough to guess. Choose \"All Answers\", so that Forgotten Logon asks for all three?");
    EXPECT_EQ(edit.offeredAnswerMode, kAllAnswers);
    EXPECT_FALSE(edit.applied());
    EXPECT_EQ(releasedFileBytes(u"Home"), readable);

    edit = sealNew(a, questions, kOneAnswer, true);  // No: sealed without the weak answer's slot
    ASSERT_TRUE(Saved(edit));
    EXPECT_EQ(edit.notice.value_or(u""),
              u"The answer to \"Initial?\" is too easy to guess to open the sealed file. The profile was "
              u"sealed without "
              u"them: until stronger answers are set, Forgotten Logon opens the sealed file only with the "
              u"other answers.");
    EXPECT_EQ(labels(u"Home"), (Labels{"logon", "answers:1", "answers:3"}));
    a.store->open().closeHeldFile();
    EXPECT_EQ(answersOpen(u"Home", {u"", u"X", u""}), LogonOutcome::Incorrect);
    EXPECT_EQ(answersOpen(u"Home", {u"", u"", u"rex THE second"}), LogonOutcome::LoggedOn);
    instances.resize(1);

    ASSERT_TRUE(a.open(u"Home").loaded());
    ASSERT_EQ(a.store->open().logOn({u"", u"tundra velvet 93 quill", u""}), LogonOutcome::LoggedOn);
    edit = sealNew(a, questions, kAllAnswers);  // Yes: one slot for all three
    ASSERT_TRUE(Saved(edit));
    EXPECT_FALSE(edit.notice.has_value());
    EXPECT_EQ(labels(u"Home"), (Labels{"logon", "answers:1,2,3"}));

    // A password of the user's own and the default question: sealed, with the logon slot alone.
    edit = sealNew(a, {{u"Default Question", u"opensesame"}}, kOneAnswer);
    ASSERT_TRUE(Saved(edit));
    EXPECT_EQ(edit.notice.value_or(u""),
              u"The answer to \"Default Question\" is too easy to guess to open the sealed file. The profile "
              u"was sealed "
              u"without them: Forgotten Logon cannot open the sealed file until stronger answers are set.");
    EXPECT_EQ(labels(u"Home"), Labels{"logon"});
    a.store->open().closeHeldFile();
    EXPECT_EQ(answersOpen(u"Home", {u"opensesame", u"", u""}), LogonOutcome::Incorrect);
}

// A file sealed before the rule, with a slot for each weak answer: after a logon with the password
// its next save makes the rule's slots under a new data key, and the old answers open nothing.
// After a logon with an answer the password is not known, and the slots stay.
TEST_F(SealedSlotsTest, SlotsMadeBeforeTheRuleGiveWayAtTheNextSave) {
    Instance& a = createAndOpen(u"Home");
    Profile old = a.store->open().profile();
    old.password = u"tundra velvet 93 quill";
    old.questions = {{u"Colour?", u"Blue"}, {u"Town?", u"London"}, {u"Pet?", u"Rex"}};
    old.version = 5;
    a.store->open().closeHeldFile();
    std::unique_ptr<sealed::Keys> keys;
    TempFolder::writeFile(profileFile(u"Home"),
                          JoinFileLines(sealed::SealProfile(old, old.version, keys, kQuickSealing,
                                                            sealed::AnswerCombinations(kOneAnswer, 3))));
    ASSERT_EQ(labels(u"Home"), (Labels{"logon", "answers:1", "answers:2", "answers:3"}));
    instances.clear();

    Instance& byAnswer = startInstance();
    ASSERT_TRUE(byAnswer.open(u"Home").loaded());
    ASSERT_EQ(byAnswer.store->open().logOnWithAnswers({u"blue", u"", u""}), LogonOutcome::LoggedOn);
    ASSERT_EQ(byAnswer.add(u"4||by answer|u|||||"), SaveOutcome::Saved);
    EXPECT_EQ(labels(u"Home"), (Labels{"logon", "answers:1", "answers:2", "answers:3"}));
    instances.clear();

    Instance& byLogon = startInstance();
    ASSERT_TRUE(byLogon.open(u"Home").loaded());
    ASSERT_EQ(byLogon.store->open().logOn({u"", u"tundra velvet 93 quill", u""}), LogonOutcome::LoggedOn);
    ASSERT_EQ(byLogon.add(u"4||by logon|u|||||"), SaveOutcome::Saved);
    EXPECT_EQ(labels(u"Home"), Labels{"logon"});
    byLogon.store->open().closeHeldFile();
    EXPECT_EQ(answersOpen(u"Home", {u"blue", u"london", u"rex"}), LogonOutcome::Incorrect);
}

// No slot is made for, or opened with, an empty password, user ID (when the logon asks for one),
// PIN or answer; the user ID is part of what opens a user-ID profile's slot, and a header that
// says otherwise opens nothing.
TEST_F(SealedSlotsTest, EveryPartOfTheLogonIsNeededAndNothingOpensEmpty) {
    Profile p;
    p.logonMode = kUserIdAndPassword;
    p.userId = u"ann";
    p.password = u"tundra velvet 93 quill";
    p.answerMode = kOneAnswer;
    p.questions = {{u"Town?", u"nether wallop"}, {u"Pet?", u""}};
    const auto sealedLines = [](Profile profile) {
        std::unique_ptr<sealed::Keys> keys;
        return sealed::SealProfile(profile, 1, keys, kQuickSealing,
                                   sealed::AnswerCombinations(kOneAnswer, 2));
    };
    EXPECT_EQ(SlotLabels(sealedLines(p)), (Labels{"logon", "answers:1"})) << "no slot for the empty answer";
    for (const auto& empty : {&Profile::password, &Profile::userId}) {
        Profile missing = p;
        missing.*empty = u"";
        EXPECT_TRUE(sealedLines(missing).empty()) << "no file that an empty password or user ID opens";
    }

    const std::vector<std::string> lines = sealedLines(p);
    createAndOpen(u"Home").store->open().closeHeldFile();
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        LogonDetails typed;
        std::vector<std::u16string> answers;  // tried when no details are
    };
    std::vector<std::string> saysPasswordOnly = lines;
    saysPasswordOnly[LineStarting(lines, "logon=")] = "logon=1";
    const Case refused[] = {
        {"no user ID", lines, {u"", u"tundra velvet 93 quill", u""}, {}},
        {"another user ID", lines, {u"bob", u"tundra velvet 93 quill", u""}, {}},
        {"no password", lines, {u"ann", u"  ", u""}, {}},
        {"a header without the user ID",
         WithCheckLineRemade(saysPasswordOnly),
         {u"", u"tundra velvet 93 quill", u""},
         {}},
        {"no answers", lines, {}, {u"", u" ", u""}},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(c.name);
        TempFolder::writeFile(profileFile(u"Home"), JoinFileLines(c.lines));
        Instance& other = startInstance();
        ASSERT_TRUE(other.open(u"Home").loaded());
        const LogonOutcome outcome = c.answers.empty() ? other.store->open().logOn(c.typed)
                                                       : other.store->open().logOnWithAnswers(c.answers);
        EXPECT_NE(outcome, LogonOutcome::LoggedOn);
        EXPECT_TRUE(other.store->open().profile().entries.empty() &&
                    other.store->open().profile().userId.empty());
        other.store->open().closeHeldFile();
    }
    TempFolder::writeFile(profileFile(u"Home"), JoinFileLines(lines));
    Instance& other = startInstance();
    ASSERT_TRUE(other.open(u"Home").loaded());
    EXPECT_EQ(other.store->open().logOn({u" ann ", u"tundra velvet 93 quill", u""}), LogonOutcome::LoggedOn);
}

// A password that a readable file held (every copy of that file gives it away) does not seal: the
// setup's edit asks for a new one. A password typed in the same edit, or one that only sealed files
// ever held, seals.
TEST_F(SealedSlotsTest, SealingStartsFromAPasswordNoReadableFileHeld) {
    constexpr char16_t kOld[] = u"violet harbour 47 kites";
    constexpr char16_t kNew[] = u"tundra velvet 93 quill";
    Instance& a = createAndOpen(u"Home");
    ASSERT_EQ(a.store->open().logOn({u"", u"opensesame", u""}), LogonOutcome::LoggedOn);
    ASSERT_TRUE(Saved(ChangeSecurity(*a.store, [&](Profile& p) { p.password = kOld; })));  // readable
    EXPECT_TRUE(a.store->edits().sealingNeedsNewPassword());
    const std::string readable = releasedFileBytes(u"Home");
    const auto seal = [&](const char16_t* password) {
        SecuritySettings typed;
        typed.passwordRetyped = password != nullptr;
        if (password != nullptr) typed.password = typed.confirmation = password;
        typed.questions = a.store->open().profile().questions;
        typed.seal = true;
        typed.weakAnswersAccepted = true;
        return a.store->edits().changeSecurity(typed);
    };
    for (const char16_t* kept : {static_cast<const char16_t*>(nullptr), kOld}) {
        const EditResult edit = seal(kept);
        EXPECT_EQ(edit.refusal.value_or(u""), kReadablePasswordRefusal);
        EXPECT_TRUE(edit.setupRule);
        EXPECT_FALSE(a.store->open().sealed());
        EXPECT_EQ(releasedFileBytes(u"Home"), readable);
    }
    ASSERT_TRUE(Saved(seal(kNew)));
    EXPECT_FALSE(a.store->edits().sealingNeedsNewPassword());
    instances.clear();

    Instance& b = startInstance();
    ASSERT_TRUE(b.open(u"Home").loaded());
    EXPECT_FALSE(b.store->edits().sealingNeedsNewPassword()) << "a sealed file";
    ASSERT_EQ(b.store->open().logOn({u"", kNew, u""}), LogonOutcome::LoggedOn);
    ASSERT_TRUE(Saved(ChangeSecurity(*b.store, [](Profile&) {})));  // sealed again as it is
    b.store->edits().setSealed(false);
    ASSERT_EQ(b.save(), SaveOutcome::Saved);  // unsealed: the password is now in a readable file
    EXPECT_TRUE(b.store->edits().sealingNeedsNewPassword());
}

TEST_F(SealedStoreTest, EachAnswerCombinationOpensAndAWrongOneDoesNot) {
    sealedProfile(u"Home").store->open().closeHeldFile();
    const std::vector<std::u16string> right = {u" R\u00e9x", u"\u5c71\u7530 ", u"Z\u00fcrich"};
    // Two answers of three are asked for: every pair opens, one right answer alone does not.
    for (int wrong = 0; wrong < 3; ++wrong) {
        SCOPED_TRACE(wrong);
        std::vector<std::u16string> typed = right;
        typed[static_cast<std::size_t>(wrong)] = u"nope";
        Instance& other = startInstance();
        ASSERT_TRUE(other.open(u"Home").loaded());
        ASSERT_EQ(other.store->open().logOnWithAnswers(typed), LogonOutcome::LoggedOn);
        // The body holds no password or PIN: the answers open the entries, not the logon.
        EXPECT_TRUE(other.store->open().profile().password.empty() &&
                    other.store->open().profile().pin.empty());
        EXPECT_EQ(other.store->open().profile().entries.size(), 3u);
        other.store->open().closeHeldFile();
    }
    Instance& other = startInstance();
    ASSERT_TRUE(other.open(u"Home").loaded());
    EXPECT_EQ(other.store->open().logOnWithAnswers({u"R\u00e9x", u"x", u"y"}), LogonOutcome::Incorrect);
    EXPECT_EQ(other.store->open().logOnWithAnswers({u"\u5c71\u7530", u"R\u00e9x", u"Z\u00fcrich"}),
              LogonOutcome::Incorrect);
    EXPECT_TRUE(other.store->open().profile().entries.empty());

    EXPECT_EQ(SlotLabels(Lines(releasedFileBytes(u"Home"))),
              (std::vector<std::string>{"logon", "answers:1,2", "answers:1,3", "answers:2,3"}));
}

TEST_F(SealedStoreTest, SlotsStayUntilTheLogonOrAnAnswerChanges) {
    Instance& a = sealedProfile(u"Home");
    const auto slotsAndNonce = [&] {
        const std::vector<std::string> lines = Lines(releasedFileBytes(u"Home"));
        std::vector<std::string> kept;
        for (const std::string& line : lines) {
            if (line.rfind("slot=", 0) == 0 || line.rfind("nonce=", 0) == 0) kept.push_back(line);
        }
        return kept;
    };
    const std::vector<std::string> first = slotsAndNonce();
    ASSERT_EQ(a.add(u"4|Bank|more|u|||||"), SaveOutcome::Saved);
    const std::vector<std::string> second = slotsAndNonce();
    ASSERT_EQ(first.size(), second.size());
    EXPECT_TRUE(std::equal(first.begin(), first.end() - 1, second.begin()));  // the same slots
    EXPECT_NE(first.back(), second.back());                                   // a fresh nonce

    ASSERT_EQ(
        a.carryOut(ChangeSecurity(*a.store, [](Profile& p) { p.questions[2] = QuestionOf(u"5|Town|Bern"); })),
        SaveOutcome::Saved);
    const std::vector<std::string> third = slotsAndNonce();
    for (std::size_t i = 0; i + 1 < third.size(); ++i) {
        if (third[i].rfind("slot=profile ", 0) != 0) {
            EXPECT_NE(third[i], second[i]);
        }
    }

    ASSERT_EQ(
        a.carryOut(ChangeSecurity(*a.store, [](Profile& p) { p.password = u"crimson walrus ledger 47"; })),
        SaveOutcome::Saved);
    a.store->open().closeHeldFile();
    Instance& b = startInstance();
    ASSERT_TRUE(b.open(u"Home").loaded());
    EXPECT_EQ(b.store->open().logOn(rightLogon()), LogonOutcome::Incorrect);
    EXPECT_EQ(b.store->open().logOnWithAnswers({u"R\u00e9x", u"", u"Z\u00fcrich"}), LogonOutcome::Incorrect);
    EXPECT_EQ(b.store->open().logOnWithAnswers({u"R\u00e9x", u"", u"Bern"}), LogonOutcome::LoggedOn);
    EXPECT_EQ(b.store->open().profile().entries.size(), 4u);
    EXPECT_TRUE(b.store->open().profile().password.empty());  // opened with the answers
    b.store->open().closeHeldFile();
    Instance& c = startInstance();
    ASSERT_TRUE(c.open(u"Home").loaded());
    ASSERT_EQ(c.store->open().logOn({u"J\u00f6rg", u"crimson walrus ledger 47", u"4711"}),
              LogonOutcome::LoggedOn);
    EXPECT_EQ(c.store->open().profile().password, u"crimson walrus ledger 47");
}

// Slots made with less work than the store asks for are made again at the next save once the
// password is known; after a logon with the answers they stay, and the save still goes through.
TEST_F(SealedStoreTest, WeakerSlotsAreMadeAgainAtTheNextSave) {
    sealedProfile(u"Home").store->open().closeHeldFile();  // made with the quickest limits
    const auto logonSlot = [&] {
        const std::vector<std::string> lines = Lines(releasedFileBytes(u"Home"));
        return lines[LineStarting(lines, "slot=logon ")];
    };
    const std::string weak = logonSlot();
    const sealed::Limits stronger{2, 16384};
    Instance& byAnswers = startInstance({}, stronger);
    ASSERT_TRUE(byAnswers.open(u"Home").loaded());
    ASSERT_EQ(byAnswers.store->open().logOnWithAnswers({u"R\u00e9x", u"\u5c71\u7530", u""}),
              LogonOutcome::LoggedOn);
    ASSERT_EQ(byAnswers.add(u"4||by answers|u|||||"), SaveOutcome::Saved);
    EXPECT_EQ(logonSlot(), weak);
    instances.clear();

    Instance& byLogon = startInstance({}, stronger);
    ASSERT_TRUE(byLogon.open(u"Home").loaded());
    ASSERT_EQ(byLogon.store->open().logOn(rightLogon()), LogonOutcome::LoggedOn);
    ASSERT_EQ(byLogon.add(u"4||by logon|u|||||"), SaveOutcome::Saved);
    EXPECT_EQ(logonSlot().rfind("slot=logon 2 16384 ", 0), 0u) << logonSlot();
    instances.clear();
    Instance& again = startInstance();
    ASSERT_TRUE(again.open(u"Home").loaded());
    ASSERT_EQ(again.store->open().logOnWithAnswers({u"", u"\u5c71\u7530", u"Z\u00fcrich"}),
              LogonOutcome::LoggedOn);
    EXPECT_EQ(again.store->open().profile().entries.size(), 5u);
}

// Answers open their slots whatever their letter case, width, composition or inner blanks; the
// usual form still compares them as typed.
TEST_F(SealedStoreTest, AnswersOpenTheirSlotsNormalised) {
    sealedProfile(u"Home").store->open().closeHeldFile();
    const std::vector<std::u16string> typed[] = {
        {u"r\u00c9X", u"\u5c71\u7530", u""},
        {u"  Re\u0301x ", u"", u"Z\u00dcRICH"},
        {u"", u"\u5c71\u7530", u"z\u00fcrich  "},
        {u"\uff32\u00e9\uff58", u"", u"ZU\u0308rich"},  // full width letters, a combining diaeresis
    };
    for (const std::vector<std::u16string>& answers : typed) {
        SCOPED_TRACE(answers.size());
        Instance& other = startInstance();
        ASSERT_TRUE(other.open(u"Home").loaded());
        EXPECT_EQ(other.store->open().logOnWithAnswers(answers), LogonOutcome::LoggedOn);
        other.store->open().closeHeldFile();
    }
    EXPECT_EQ(NormaliseAnswer(u"  Fluffy \t the\u00a0\u00a0CAT "), u"fluffy the cat");
    EXPECT_EQ(NormaliseAnswer(u"Stra\u00dfe \ufb01sh"), u"strasse fish");
}

// After a logon with the answers the password is not known: setup asks for a new one, and neither
// form is written with an empty one.
TEST_F(SealedStoreTest, AfterALogonWithTheAnswersANewPasswordIsNeeded) {
    sealedProfile(u"Home").store->open().closeHeldFile();
    Instance& b = startInstance();
    ASSERT_TRUE(b.open(u"Home").loaded());
    ASSERT_EQ(b.store->open().logOnWithAnswers({u"R\u00e9x", u"\u5c71\u7530", u""}), LogonOutcome::LoggedOn);
    const std::string before = releasedFileBytes(u"Home");
    Profile wanted = b.store->open().profile();
    SecuritySettings typed;
    typed.logonMode = wanted.logonMode;
    typed.userId = wanted.userId;
    typed.pin = u"4711";
    typed.questions = wanted.questions;
    typed.passwordRetyped = false;
    typed.password = typed.confirmation = u"********";
    typed.seal = true;
    EditResult edit = b.store->edits().changeSecurity(typed);
    ASSERT_TRUE(edit.refusal.has_value());
    EXPECT_EQ(*edit.refusal, kSpecifyPasswordText);
    b.store->edits().setSealed(false);
    EXPECT_FALSE(b.carryOut(AddEntryRecord(*b.store, u"4||more|u|||||")) == SaveOutcome::Saved);
    EXPECT_EQ(releasedFileBytes(u"Home"), before);

    b.store->edits().setSealed(true);
    typed.passwordRetyped = true;
    typed.password = typed.confirmation = u"tundra velvet 93 quill";
    ASSERT_TRUE(Saved(b.store->edits().changeSecurity(typed)));
    b.store->open().closeHeldFile();
    Instance& c = startInstance();
    ASSERT_TRUE(c.open(u"Home").loaded());
    EXPECT_EQ(c.store->open().logOn({u"J\u00f6rg", u"tundra velvet 93 quill", u"4711"}),
              LogonOutcome::LoggedOn);
}

}  // namespace
}  // namespace keyloft::testing
