// A save that finds the file saved by another instance: a change of any one logon detail there
// locks this session out; otherwise this session takes the other's data.
#include <gtest/gtest.h>

#include <functional>

#include "store_fixture.h"
#include "support/record_values.h"

using keyloft::testing::EntryOf;
using keyloft::testing::QuestionOf;

namespace keyloft::testing {
namespace {

struct OtherSave {
    const char* what;
    std::function<void(Profile&)> change;
    SaveOutcome expected;
};

TEST_F(StoreTest, OnlyALogonChangeByTheOtherInstanceLocksOut) {
    const OtherSave cases[] = {
        {"logon mode", [](Profile& p) { p.logonMode = kUserIdPasswordAndPin; },
         SaveOutcome::ConflictLockedOut},
        {"user ID", [](Profile& p) { p.userId = u"opensesamE"; }, SaveOutcome::ConflictLockedOut},
        {"password", [](Profile& p) { p.password = u"opensesame!"; }, SaveOutcome::ConflictLockedOut},
        {"PIN", [](Profile& p) { p.pin = u"4711"; }, SaveOutcome::ConflictLockedOut},
        {"nothing", [](Profile&) {}, SaveOutcome::ConflictRefreshed},
        {"answers only", [](Profile& p) { p.answerMode = kAllAnswers; }, SaveOutcome::ConflictRefreshed},
    };
    int round = 0;
    for (const OtherSave& c : cases) {
        SCOPED_TRACE(c.what);
        const std::u16string name = u"P" + Int32Text(++round);
        Instance& a = startInstance();
        ASSERT_TRUE(a.create(name));
        ASSERT_TRUE(a.open(name).loaded());
        a.store->open().closeHeldFile();  // A's session stays open, another instance takes the file
        Instance& b = startInstance();
        ASSERT_TRUE(b.open(name).loaded());
        ASSERT_EQ(b.carryOut(ChangeSecurity(*b.store, c.change)), SaveOutcome::Saved);
        b.store->open().closeHeldFile();
        const std::string afterB = fileBytes(name);

        a.host.clear();
        EXPECT_EQ(a.add(u"4|x|y|z|w||||"), c.expected);
        EXPECT_EQ(releasedFileBytes(name), afterB);  // nothing of A's is written either way
        if (c.expected == SaveOutcome::ConflictLockedOut) {
            EXPECT_EQ(a.host.locks, 1);
            EXPECT_EQ(a.host.texts(),
                      std::vector<std::u16string>{
                          u"The profile has been modified by another user.\nYou will have to login again."});
        } else {
            EXPECT_EQ(a.host.locks, 0);
            EXPECT_EQ(a.host.texts(),
                      std::vector<std::u16string>{
                          u"The record has been modified by another user.\nRefreshing data..."});
            EXPECT_TRUE(a.store->open().profile().entries.empty());  // B's data, without A's entry
        }
        a.store->open().closeHeldFile();
    }
}

}  // namespace
}  // namespace keyloft::testing
