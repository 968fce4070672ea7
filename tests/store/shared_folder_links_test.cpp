// A colleague who can write to the shared folder acts between two steps of a save: what they put
// at the profile's name is never written through nor given another mode; a profile that is a link
// is followed only where nobody else can change where it leads; a read-only profile is kept.
// Links and modes as POSIX systems have them; the read-only profile on every system (the
// read-only attribute on Windows). file_system_win_test.cpp has what else Windows can show.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>

#include "store/profile_verifier.h"
#include "store_fixture.h"

namespace keyloft::testing {
namespace {

const std::u16string kReadOnly =
    u"The profile \"Team\" is read-only for you: the permissions of its file do not let you change it, so it "
    u"was "
    u"neither changed nor deleted.\nIts owner can let the colleagues who share the folder change it by "
    u"making the "
    u"file writable for the folder's group (on Linux: chmod g+w \"Team.dat\"; on Windows: clear its "
    u"Read-only "
    u"attribute, or the Security tab of the file's properties).";

TEST_F(StoreTest, AReadOnlyProfileIsNeitherReplacedNorDeletedAndTheUserIsTold) {
    Instance& a = createAndOpen(u"Team");
    namespace fs = std::filesystem;
    const fs::perms readOnly = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    fs::permissions(profileFile(u"Team"), readOnly);
    const std::string before = releasedFileBytes(u"Team");
    EXPECT_EQ(a.add(u"4||not kept|me|pw||||"), SaveOutcome::Failed);
    EXPECT_EQ(a.host.texts(), std::vector<std::u16string>{kReadOnly});
    EXPECT_EQ(a.host.messages[0].title, u"Read-Only Profile");
    a.store->open().closeHeldFile();
    a.host.clear();
    a.host.answers = {MessageAnswer::Yes};
    EXPECT_EQ(a.remove(u"Team").outcome, DeleteOutcome::Failed);
    EXPECT_EQ(a.host.texts().back(), kReadOnly);
    EXPECT_EQ(fileBytes(u"Team"), before);
    EXPECT_EQ(fs::status(profileFile(u"Team")).permissions() & fs::perms::all, readOnly);

    // Made writable again, it is saved as ever.
    fs::permissions(profileFile(u"Team"), fs::perms::owner_write, fs::perm_options::add);
    ASSERT_TRUE(a.open(u"Team").loaded());
    EXPECT_EQ(a.add(u"4||kept|me|pw||||"), SaveOutcome::Saved);
}

#ifndef _WIN32  // links and modes

const std::u16string kLinkRefused =
    u"The profile \"Team\" is a link, and other users can change the folder it is in or the folder it leads "
    u"to: "
    u"they could point it at a file of yours outside the database folder, so Keyloft does not follow "
    u"it.\nKeep "
    u"the profile file itself in the database folder, or keep the link and the file it leads to in folders "
    u"that "
    u"only you can change (on Linux: chmod go-w on both folders).";
constexpr char kVictimText[] = "alias ls='ls --color'\n";

struct stat LinkStatOf(const std::filesystem::path& file) {
    struct stat st {};
    EXPECT_EQ(::lstat(file.c_str(), &st), 0) << file;
    return st;
}

bool Contains(const std::vector<std::u16string>& texts, const std::u16string& text) {
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

class SharedFolderLinks : public StoreTest {
  protected:
    // A file of the user's own outside the folder, as a colleague would aim a link at it.
    std::filesystem::path victim() {
        const std::filesystem::path home = temp / "home";
        std::filesystem::create_directories(home);
        EXPECT_EQ(::chmod(home.c_str(), 0700), 0);
        TempFolder::writeFile(home / ".bashrc_demo", kVictimText);
        EXPECT_EQ(::chmod((home / ".bashrc_demo").c_str(), 0600), 0);
        return home / ".bashrc_demo";
    }
    void expectVictimUntouched(const std::filesystem::path& file) {
        EXPECT_EQ(TempFolder::readFile(file), kVictimText);
        const struct stat st = LinkStatOf(file);
        EXPECT_EQ(st.st_mode & 07777, 0600u);
        EXPECT_EQ(st.st_gid, ::getegid());
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(file.parent_path()), {}), 1);
    }
    // Renames `planted` (made under a hidden name beside the profile) over the profile, as `mv` does.
    void renameOverProfile(const std::function<void(const std::filesystem::path&)>& plant) {
        const std::filesystem::path aside = database / ".planted";
        plant(aside);
        std::filesystem::rename(aside, profileFile(u"Team"));
    }
};

TEST_F(SharedFolderLinks, WhatIsRenamedOverTheProfileDuringASaveIsNeitherWrittenThroughNorChanged) {
    const std::filesystem::path target = victim();
    ASSERT_EQ(::chmod(database.c_str(), 02770), 0);
    const struct {
        const char* step;  // the save's step before which the colleague acts
        bool link;         // a link to the user's file, else a copy of the profile of their own
        SaveOutcome outcome;
    } cases[] = {
        {"create", true, SaveOutcome::ConflictLockedOut},
        {"install", true, SaveOutcome::ConflictLockedOut},
        {"create", false, SaveOutcome::ConflictRefreshed},
        {"install", false, SaveOutcome::ConflictRefreshed},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.step) + (c.link ? ", a link" : ", a file"));
        instances.clear();
        std::filesystem::remove(profileFile(u"Team"));
        Instance& a = createAndOpen(u"Team");
        ASSERT_EQ(::chmod(profileFile(u"Team").c_str(), 0660), 0);
        const std::string theirs = fileBytes(u"Team");
        bool planted = false;
        a.files->beforeStep = [&](const std::string& step) {
            if (planted || step != c.step) return;
            planted = true;
            renameOverProfile([&](const std::filesystem::path& aside) {
                if (c.link) {
                    std::filesystem::create_symlink(target, aside);
                } else {
                    TempFolder::writeFile(aside, theirs);
                }
            });
        };
        EXPECT_EQ(a.add(u"4||shared|me|pw||||"), c.outcome);
        EXPECT_TRUE(planted);
        expectVictimUntouched(target);
        EXPECT_EQ(std::filesystem::is_symlink(profileFile(u"Team")), c.link);
        if (c.link) {
            EXPECT_TRUE(Contains(a.host.texts(), kLinkRefused));
        } else {
            EXPECT_EQ(fileBytes(u"Team"), theirs);  // their file stays, with nothing of this save
        }
        std::vector<std::string> left;
        for (const auto& entry : std::filesystem::directory_iterator(database)) {
            left.push_back(entry.path().filename().string());
        }
        EXPECT_EQ(std::count_if(left.begin(), left.end(), [](const std::string& n) { return n[0] == '.'; }),
                  0);
    }
}

TEST_F(SharedFolderLinks, AProfileThatIsALinkIsFollowedOnlyWhereNobodyElseCanChangeWhereItLeads) {
    const std::filesystem::path sync = temp / "sync";
    std::filesystem::create_directories(sync);
    createAndOpen(u"Seed").store->open().closeHeldFile();
    std::filesystem::rename(profileFile(u"Seed"), sync / "Team.dat");
    std::filesystem::create_symlink("../sync/Team.dat", profileFile(u"Team"));
    const struct {
        const char* what;
        mode_t database;
        mode_t sync;
        bool followed;
    } cases[] = {
        {"both folders the user's own", 0755, 0755, true},
        {"the link in a folder the group can write", 02770, 0755, false},
        {"leading into a folder everyone can write", 0755, 01777, false},
        {"leading into a folder the group can write", 0700, 0770, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(::chmod(database.c_str(), c.database), 0);
        ASSERT_EQ(::chmod(sync.c_str(), c.sync), 0);
        const std::string before = TempFolder::readFile(sync / "Team.dat");
        instances.clear();
        Instance& a = startInstance();
        const OpenResult opened = a.open(u"Team");
        if (c.followed) {
            ASSERT_TRUE(opened.loaded());
            EXPECT_EQ(a.add(u"4||through the link|me|pw||||"), SaveOutcome::Saved);
            EXPECT_EQ(VerifyProfileBytes(TempFolder::readFile(sync / "Team.dat"), kQuickSealing).entryCount,
                      1u);
        } else {
            EXPECT_EQ(opened.outcome, OpenOutcome::NotReadable);
            EXPECT_EQ(a.host.texts(), std::vector<std::u16string>{kLinkRefused});
            EXPECT_EQ(a.host.messages[0].title, u"Link Not Followed");
            EXPECT_EQ(a.host.mainWindowCloses, 0);
            a.host.clear();
            a.host.answers = {MessageAnswer::Yes};
            EXPECT_EQ(a.remove(u"Team").outcome, DeleteOutcome::Failed);
            EXPECT_EQ(a.host.texts().back(), kLinkRefused);
            EXPECT_EQ(TempFolder::readFile(sync / "Team.dat"), before);
        }
        EXPECT_TRUE(std::filesystem::is_symlink(profileFile(u"Team")));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(sync), {}), 1);
    }
}

#endif  // !_WIN32

}  // namespace
}  // namespace keyloft::testing
