// The host file system. Tests of what only POSIX systems have (modes, flock, fork, core limits)
// are left out of the Windows build; file_system_win_test.cpp has the Windows counterparts.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cerrno>

#include "platform/error_mapping.h"
#include "platform/platform_core.h"
#include "support/file_lines.h"
#include "support/child_wait.h"
#include "support/temp_folder.h"

namespace keyloft::platform {
namespace {

using keyloft::testing::TempFolder;

#ifndef _WIN32
unsigned ModeOf(const std::filesystem::path& file) {
    struct stat st {};
    EXPECT_EQ(::stat(file.c_str(), &st), 0);
    return st.st_mode & 07777;
}
#endif

TEST(HostFileSystem, ReadsLinesEndedAnyWay) {
    TempFolder temp;
    TempFolder::writeFile(temp / "a.dat", std::string("one\r\ntwo\nthree\rfour\r\n\r\nlast"));
    auto files = CreateHostFileSystem();
    ErrorInfo error;
    auto reader = files->openHeld(temp / "a.dat", error);
    ASSERT_TRUE(reader);
    EXPECT_EQ(ReadAllLines(*reader), (std::vector<std::string>{"one", "two", "three", "four", "", "last"}));

    // A long line crosses the read buffer intact.
    const std::string longLine(200000, 'A');
    TempFolder::writeFile(temp / "b.dat", longLine + "\r\nB\r\n");
    reader = files->openHeld(temp / "b.dat", error);
    ASSERT_TRUE(reader);
    EXPECT_EQ(ReadAllLines(*reader), (std::vector<std::string>{longLine, "B"}));
}

#ifndef _WIN32  // POSIX only
TEST(HostFileSystem, HoldKeepsOtherInstancesOutButNotTheHolder) {
    TempFolder temp;
    TempFolder::writeFile(temp / "p.dat", "x\r\n");
    auto mine = CreateHostFileSystem();
    auto other = CreateHostFileSystem();
    ErrorInfo error;
    auto held = mine->openHeld(temp / "p.dat", error);
    ASSERT_TRUE(held);

    EXPECT_FALSE(other->openHeld(temp / "p.dat", error));
    EXPECT_EQ(error.number, 70);
    EXPECT_EQ(error.description, u"Permission denied");
    EXPECT_TRUE(error.inUse);
    EXPECT_EQ(other->rename(temp / "p.dat", temp / "p.dat.bak", false).number, 70);
    EXPECT_EQ(other->remove(temp / "p.dat").number, 70);
    TempFolder::writeFile(temp / "q.dat", "q\r\n");
    const ErrorInfo replaced = other->rename(temp / "q.dat", temp / "p.dat", true);
    EXPECT_EQ(replaced.number, 70);
    EXPECT_TRUE(replaced.inUse);
    EXPECT_EQ(TempFolder::readFile(temp / "p.dat"), "x\r\n");

    // The holder renames its own file and keeps holding it under the new name.
    EXPECT_FALSE(mine->rename(temp / "p.dat", temp / "p.dat.bak", false).failed());
    EXPECT_FALSE(other->openHeld(temp / "p.dat.bak", error));
    EXPECT_EQ(ReadAllLines(*held), std::vector<std::string>{"x"});

    held.reset();
    EXPECT_TRUE(other->openHeld(temp / "p.dat.bak", error));
}
#endif

#ifndef _WIN32  // POSIX only
TEST(HostFileSystem, HoldIsSeenByAnotherProcess) {
    TempFolder temp;
    TempFolder::writeFile(temp / "p.dat", "x\r\n");
    auto mine = CreateHostFileSystem();
    ErrorInfo error;
    auto held = mine->openHeld(temp / "p.dat", error);
    ASSERT_TRUE(held);
    const pid_t child = keyloft::testing::ForkChild("the holding process");
    if (child == 0) {
        auto files = CreateHostFileSystem();
        ErrorInfo childError;
        const bool opened = files->openHeld(temp / "p.dat", childError) != nullptr;
        const bool renamed = !files->rename(temp / "p.dat", temp / "q.dat", false).failed();
        ::_exit(!opened && !renamed && childError.number == 70 ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    const std::optional<int> ended = keyloft::testing::WaitForChild(child);
    ASSERT_TRUE(ended.has_value()) << "the child process did not end";
    const int status = *ended;
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
#endif

TEST(HostFileSystem, RenameNeverReplacesAndErrorsAreNumbered) {
    TempFolder temp;
    TempFolder::writeFile(temp / "a.dat", "a");
    TempFolder::writeFile(temp / "b.dat", "b");
    auto files = CreateHostFileSystem();
    EXPECT_EQ(files->rename(temp / "a.dat", temp / "b.dat", false).number, 58);
    EXPECT_EQ(TempFolder::readFile(temp / "b.dat"), "b");
    EXPECT_EQ(files->rename(temp / "none.dat", temp / "c.dat", false).number, 53);
    EXPECT_EQ(files->remove(temp / "none.dat").number, 53);
    ErrorInfo error;
    EXPECT_FALSE(files->openHeld(temp / "missing" / "a.dat", error));
    EXPECT_EQ(error.number, 76);
    EXPECT_EQ(error.description, u"Path not found");
    EXPECT_FALSE(files->openHeld(temp.path(), error));  // a folder is no profile file
    EXPECT_EQ(error.number, 77);
    EXPECT_EQ(error.description, u"Not a regular file (a folder, device or pipe)");
    EXPECT_TRUE(files->exists(temp / "a.dat"));
    EXPECT_FALSE(files->exists(temp.path()));
}

#ifndef _WIN32  // POSIX only
TEST(HostFileSystem, TemporaryFilesAreOwnerOnlyHeldAndReplaceInOneRename) {
    TempFolder temp;
    auto files = CreateHostFileSystem();
    auto other = CreateHostFileSystem();
    ErrorInfo error;
    auto out = files->createTemporary(temp / "new.dat", nullptr, error);
    ASSERT_TRUE(out);
    EXPECT_FALSE(out->writeLine("ABC").failed());
    EXPECT_FALSE(out->writeLine("").failed());
    EXPECT_FALSE(out->flush().failed());
    EXPECT_FALSE(files->exists(temp / "new.dat"));                  // nothing under the profile's name yet
    EXPECT_TRUE(other->removeLeftovers(temp / "new.dat").empty());  // held: not a leftover
    auto held = files->install(std::move(out), temp / "new.dat", false, error);
    ASSERT_TRUE(held) << error.number;
    EXPECT_EQ(TempFolder::readFile(temp / "new.dat"), "ABC\r\n\r\n");
    EXPECT_EQ(ModeOf(temp / "new.dat"), 0600u);
    EXPECT_EQ(ReadAllLines(*held), (std::vector<std::string>{"ABC", ""}));
    EXPECT_FALSE(other->openHeld(temp / "new.dat", error));  // the installed file stays held
    EXPECT_TRUE(error.inUse);

    // Without replacing, an existing file is never overwritten, and the temporary file goes.
    out = files->createTemporary(temp / "new.dat", nullptr, error);
    ASSERT_TRUE(out);
    EXPECT_FALSE(files->install(std::move(out), temp / "new.dat", false, error));
    EXPECT_EQ(error.number, 58);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.path()), {}), 1);

    // A replacement takes the mode of the file it replaces.
    ::chmod((temp / "new.dat").c_str(), 0644);
    out = files->createTemporary(temp / "new.dat", held.get(), error);
    ASSERT_TRUE(out);
    EXPECT_FALSE(out->writeLine("DEF").failed());
    EXPECT_FALSE(out->flush().failed());
    auto replaced = files->install(std::move(out), temp / "new.dat", true, error);
    ASSERT_TRUE(replaced);
    EXPECT_FALSE(files->flushFolder(temp / "new.dat").failed());
    EXPECT_EQ(ModeOf(temp / "new.dat"), 0644u);
    EXPECT_EQ(TempFolder::readFile(temp / "new.dat"), "DEF\r\n");
    EXPECT_EQ(ReadAllLines(*held), std::vector<std::string>{});  // the old file, read to its end already
    EXPECT_FALSE(held->rewind().failed());
    EXPECT_EQ(ReadAllLines(*held), (std::vector<std::string>{"ABC", ""}));

    // A temporary file dropped before it was installed is removed.
    out = files->createTemporary(temp / "new.dat", nullptr, error);
    ASSERT_TRUE(out);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.path()), {}), 2);
    out.reset();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.path()), {}), 1);
}
#endif

#ifndef _WIN32  // POSIX only
TEST(HostFileSystem, AHoldIsTakenOnlyOnTheFileThePathNamesNow) {
    TempFolder temp;
    TempFolder::writeFile(temp / "p.dat", "old\r\n");
    int replacements = 0;
    HostFileSystemHooks hooks;
    // Another instance's save puts a new file in place between our open and our lock.
    hooks.betweenOpenAndHold = [&](const std::filesystem::path& file) {
        if (replacements++ == 0) {
            TempFolder::writeFile(temp / "p.new", "new\r\n");
            std::filesystem::rename(temp / "p.new", file);
        }
    };
    auto files = CreateHostFileSystem(hooks);
    ErrorInfo error;
    auto held = files->openHeld(temp / "p.dat", error);
    ASSERT_TRUE(held);
    EXPECT_EQ(replacements, 2);  // opened twice: the first lock was on a replaced file
    EXPECT_EQ(ReadAllLines(*held), std::vector<std::string>{"new"});
    auto other = CreateHostFileSystem();
    EXPECT_FALSE(other->openHeld(temp / "p.dat", error));
    EXPECT_TRUE(error.inUse);
}
#endif

TEST(HostFileSystem, TellsWhetherAPathStillNamesTheHeldFileAndWhetherANameIsTaken) {
    TempFolder temp;
    TempFolder::writeFile(temp / "a.dat", "a");
    TempFolder::writeFile(temp / "b.dat", "b");
    auto files = CreateHostFileSystem();
    ErrorInfo error;
    auto held = files->openHeld(temp / "a.dat", error);
    ASSERT_TRUE(held);
    EXPECT_FALSE(files->namesOtherFile(temp / "a.dat", *held));
    EXPECT_TRUE(files->namesOtherFile(temp / "b.dat", *held));      // another file at the path
    EXPECT_FALSE(files->namesOtherFile(temp / "none.dat", *held));  // nothing at the path
    EXPECT_TRUE(files->nameTaken(temp / "a.dat"));
    EXPECT_TRUE(files->nameTaken(temp.path()));
    EXPECT_FALSE(files->nameTaken(temp / "none.dat"));
#ifndef _WIN32
    std::filesystem::create_symlink(temp / "nowhere" / "x.dat", temp / "link.dat");
    EXPECT_TRUE(files->nameTaken(temp / "link.dat"));  // a link that leads nowhere takes its name
    EXPECT_FALSE(files->exists(temp / "link.dat"));
#endif
}

TEST(HostFileSystem, LongLinesAreRefusedWithoutBeingKept) {
    TempFolder temp;
    TempFolder::writeFile(temp / "p.dat", "short\r\n" + std::string(200000, 'A') + "\r\nafter\r\n");
    auto files = CreateHostFileSystem();
    ErrorInfo error;
    auto held = files->openHeld(temp / "p.dat", error);
    ASSERT_TRUE(held);
    std::string line;
    EXPECT_TRUE(held->readLine(line, error, 100000));
    EXPECT_EQ(line, "short");
    EXPECT_FALSE(held->readLine(line, error, 100000));
    EXPECT_EQ(error.number, 62);
    EXPECT_TRUE(line.empty());
}

#ifndef _WIN32  // POSIX only
TEST(HostFileSystem, CoreDumpsCanBeSwitchedOff) {
    const pid_t child = keyloft::testing::ForkChild("the core-dump check");
    if (child == 0) {
        DisableCoreDumps();
        struct rlimit limit {};
        ::getrlimit(RLIMIT_CORE, &limit);
        ::_exit(limit.rlim_cur == 0 && limit.rlim_max == 0 && ::prctl(PR_GET_DUMPABLE) == 0 ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    const std::optional<int> status = keyloft::testing::WaitForChild(child);
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(WIFEXITED(*status));
    EXPECT_EQ(WEXITSTATUS(*status), 0);
}
#endif

#ifndef _WIN32  // POSIX only
TEST(HostFileSystem, ListsProfileFilesSortedAndAppendsWholeLines) {
    TempFolder temp;
    for (const char* name : {"b.dat", "A.dat", "c.DAT", "d.dat.bak", "e.txt", ".dat"}) {
        TempFolder::writeFile(temp / name, "");
    }
    std::filesystem::create_directory(temp / "dir.dat");
    auto files = CreateHostFileSystem();
    EXPECT_EQ(files->listProfileFiles(temp.path()),
              (std::vector<std::filesystem::path>{".dat", "A.dat", "b.dat"}));
    EXPECT_TRUE(files->listProfileFiles(temp / "missing").empty());

    EXPECT_TRUE(files->appendText(temp / "log", "first\r\n"));
    EXPECT_TRUE(files->appendText(temp / "log", "second\r\n"));
    EXPECT_EQ(TempFolder::readFile(temp / "log"), "first\r\nsecond\r\n");
    EXPECT_FALSE(files->appendText(temp / "missing" / "log", "x"));
}
#endif

TEST(ErrorMapping, ErrnoBecomesTheClassicNumbersOrOneThatSaysWhy) {
    const struct {
        int errorNumber;
        int number;
        const char16_t* description;
    } cases[] = {
        {ENOSPC, 61, u"Disk full"},
        {EACCES, 70, u"Permission denied"},
        {ENOENT, 53, u"File not found"},
        {EEXIST, 58, u"File already exists"},
        {EROFS, 78, u"Read-only file system"},
        {EISDIR, 77, u"Not a regular file (a folder, device or pipe)"},
        {ENXIO, 68, u"Device unavailable"},
        {EBUSY, 79, u"File or device busy"},
        {ETXTBSY, 79, u"File or device busy"},
        {ELOOP, 80, u"Too many levels of symbolic links"},
        {ETIMEDOUT, 81, u"Network folder unavailable"},
        {ENOTCONN, 81, u"Network folder unavailable"},
        {ENOLCK, 82, u"Not supported by the file system"},
        {EOPNOTSUPP, 82, u"Not supported by the file system"},
        {EOVERFLOW, 6, u"Overflow"},
        {EDOM, 75, u"Path/File access error"},  // nothing better to say
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.errorNumber);
        EXPECT_EQ(ErrorFromErrno(c.errorNumber).number, c.number);
        EXPECT_EQ(ErrorFromErrno(c.errorNumber).description, c.description);
    }
    EXPECT_EQ(ErrorDescription(13), u"Type mismatch");
    EXPECT_EQ(ErrorDescription(457), u"This key is already associated with an element of this collection");
    EXPECT_EQ(ErrorDescription(0), u"");
}

}  // namespace
}  // namespace keyloft::platform
