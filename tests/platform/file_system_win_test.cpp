// The Windows file system: holds by share mode, the backup rename of a save, access rules of new
// and replaced files, buffered writes, listing. Runs in the Windows build (under Wine in CI).
#ifdef _WIN32

#include <gtest/gtest.h>
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/file_handles_win.h"
#include "platform/owner_only_file.h"
#include "platform/platform_core.h"
#include "support/temp_folder.h"
#include "support/file_lines.h"

namespace keyloft::platform {
namespace {

using keyloft::testing::TempFolder;

std::vector<std::wstring> NamesIn(const std::filesystem::path& folder) {
    std::vector<std::wstring> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().wstring());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Writes lines into a temporary file for `target` and installs it.
std::unique_ptr<ReadableFile> Save(FileSystem& files, const std::filesystem::path& target,
                                   const ReadableFile* like, const std::vector<std::string>& lines,
                                   bool replace, ErrorInfo& error) {
    auto out = files.createTemporary(target, like, error);
    if (!out) {
        return nullptr;
    }
    for (const std::string& line : lines) {
        EXPECT_FALSE(out->writeLine(line).failed());
    }
    EXPECT_FALSE(out->flush().failed());
    return files.install(std::move(out), target, replace, error);
}

// The accounts that the DACL of a file lets in (an empty DACL: nobody; none at all: everybody).
std::vector<std::wstring> AllowedSids(const std::filesystem::path& file, ACCESS_MASK access) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PACL dacl = nullptr;
    EXPECT_EQ(GetNamedSecurityInfoW(file.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    &dacl, nullptr, &descriptor),
              static_cast<DWORD>(ERROR_SUCCESS));
    std::vector<std::wstring> sids;
    if (dacl == nullptr) {
        sids.push_back(L"S-1-1-0");
    }
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (GetAce(dacl, i, &ace) && static_cast<ACE_HEADER*>(ace)->AceType == ACCESS_ALLOWED_ACE_TYPE) {
            auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
            LPWSTR text = nullptr;
            if ((allowed->Mask & access) == access &&
                ConvertSidToStringSidW(reinterpret_cast<PSID>(&allowed->SidStart), &text)) {
                sids.emplace_back(text);
                LocalFree(text);
            }
        }
    }
    LocalFree(descriptor);
    std::sort(sids.begin(), sids.end());
    return sids;
}

std::wstring CurrentUserSid() {
    HANDLE token = nullptr;
    EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    EXPECT_TRUE(GetTokenInformation(token, TokenUser, buffer.data(), size, &size));
    CloseHandle(token);
    LPWSTR text = nullptr;
    ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &text);
    std::wstring sid = text;
    LocalFree(text);
    return sid;
}

// Gives a file or folder the protected DACL written as `sddl`.
bool SetAccessRules(const std::filesystem::path& file, const std::wstring& sddl) {
    PSECURITY_DESCRIPTOR wanted = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &wanted,
                                                              nullptr))
        return false;
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    const bool set = GetSecurityDescriptorDacl(wanted, &present, &dacl, &defaulted) &&
                     SetNamedSecurityInfoW(const_cast<wchar_t*>(file.c_str()), SE_FILE_OBJECT,
                                           DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                           nullptr, nullptr, dacl, nullptr) == ERROR_SUCCESS;
    LocalFree(wanted);
    return set;
}

constexpr wchar_t kEveryone[] = L"S-1-1-0";
constexpr wchar_t kLocalSystem[] = L"S-1-5-18";  // Wine lists it for every file

TEST(WindowsFileSystem, HoldKeepsOtherInstancesAndReadersOutButNotTheHolder) {
    TempFolder temp;
    TempFolder::writeFile(temp / "p.dat", "x\r\n");
    auto mine = CreateHostFileSystem();
    auto other = CreateHostFileSystem();
    ErrorInfo error;
    auto held = mine->openHeld(temp / "p.dat", error);
    ASSERT_TRUE(held);

    EXPECT_FALSE(other->openHeld(temp / "p.dat", error));
    EXPECT_EQ(error.number, 70);
    EXPECT_TRUE(error.inUse);
    for (const ErrorInfo& refused :
         {other->rename(temp / "p.dat", temp / "q.dat", false), other->remove(temp / "p.dat")}) {
        EXPECT_EQ(refused.number, 70);
        EXPECT_TRUE(refused.inUse);
    }
    // Replacing the held file, by a rename over it or by a save, is refused as well.
    TempFolder::writeFile(temp / "r.dat", "r\r\n");
    EXPECT_TRUE(other->rename(temp / "r.dat", temp / "p.dat", true).inUse);
    EXPECT_FALSE(Save(*other, temp / "p.dat", nullptr, {"other"}, true, error));
    EXPECT_TRUE(error.inUse);
    // A plain reader is kept out too.
    EXPECT_EQ(TempFolder::readFile(temp / "p.dat"), "");
    EXPECT_TRUE(mine->exists(temp / "p.dat"));

    // Between the two renames of a save the profile is missing and its backup held: in use too.
    ASSERT_FALSE(mine->rename(temp / "p.dat", temp / "p.dat.bak", false).failed());
    EXPECT_FALSE(other->openHeld(temp / "p.dat", error));
    EXPECT_TRUE(error.inUse);
    EXPECT_EQ(error.number, 70);
    ASSERT_FALSE(mine->rename(temp / "p.dat.bak", temp / "p.dat", false).failed());

    // The holder renames its own file and keeps holding it under the new name.
    ASSERT_FALSE(mine->rename(temp / "p.dat", temp / "q.dat", false).failed());
    EXPECT_FALSE(other->openHeld(temp / "q.dat", error));
    EXPECT_TRUE(error.inUse);
    EXPECT_EQ(ReadAllLines(*held), std::vector<std::string>{"x"});
    // ... replaces another file with it, and deletes it: the name is free at once.
    ASSERT_FALSE(mine->rename(temp / "q.dat", temp / "r.dat", true).failed());
    ASSERT_FALSE(mine->remove(temp / "r.dat").failed());
    EXPECT_FALSE(mine->exists(temp / "r.dat"));
    held.reset();
    EXPECT_EQ(NamesIn(temp.path()), std::vector<std::wstring>{});
}

TEST(WindowsFileSystem, SaveRenamesTheHeldFileToABackupAndDeletesIt) {
    TempFolder temp;
    const std::filesystem::path profile = temp / "p.dat";
    TempFolder::writeFile(profile, "old\r\n");
    auto files = CreateHostFileSystem();
    auto other = CreateHostFileSystem();
    ErrorInfo error;
    auto held = files->openHeld(profile, error);
    ASSERT_TRUE(held);
    auto installed = Save(*files, profile, held.get(), {"new", "content"}, true, error);
    ASSERT_TRUE(installed) << error.number;
    EXPECT_EQ(ReadAllLines(*installed), (std::vector<std::string>{"new", "content"}));
    held.reset();  // the saver lets go of the old file
    EXPECT_EQ(NamesIn(temp.path()), std::vector<std::wstring>{L"p.dat"});
    EXPECT_FALSE(other->openHeld(profile, error));  // the new file is held from the start
    EXPECT_TRUE(error.inUse);
    installed.reset();
    EXPECT_EQ(TempFolder::readFile(profile), "new\r\ncontent\r\n");

    // A new profile never replaces a file of that name.
    TempFolder::writeFile(temp / "n.dat", "n\r\n");
    EXPECT_FALSE(Save(*files, temp / "n.dat", nullptr, {"x"}, false, error));
    EXPECT_EQ(error.number, 58);
    EXPECT_EQ(TempFolder::readFile(temp / "n.dat"), "n\r\n");

    // A backup that this save did not make is neither replaced nor put back: the save fails and
    // leaves both files as they were.
    TempFolder::writeFile(temp / "p.dat.bak", "stale\r\n");
    held = files->openHeld(profile, error);
    ASSERT_TRUE(held);
    EXPECT_FALSE(Save(*files, profile, held.get(), {"newer"}, true, error));
    EXPECT_EQ(error.number, 58);
    EXPECT_EQ(ReadAllLines(*held), (std::vector<std::string>{"new", "content"}));
    held.reset();
    EXPECT_EQ(TempFolder::readFile(profile), "new\r\ncontent\r\n");
    EXPECT_EQ(TempFolder::readFile(temp / "p.dat.bak"), "stale\r\n");
    EXPECT_EQ(NamesIn(temp.path()), (std::vector<std::wstring>{L"n.dat", L"p.dat", L"p.dat.bak"}));
}

TEST(WindowsFileSystem, NewFilesAreOwnerOnlyAndReplacementsKeepTheAccessRules) {
    TempFolder temp;
    const std::filesystem::path profile = temp / "p.dat";
    auto files = CreateHostFileSystem();
    ErrorInfo error;
    auto installed = Save(*files, profile, nullptr, {"one"}, false, error);
    ASSERT_TRUE(installed) << error.number;
    installed.reset();
    const std::wstring user = CurrentUserSid();
    for (const std::wstring& sid : AllowedSids(profile, FILE_READ_DATA)) {
        EXPECT_TRUE(sid == user || sid == kLocalSystem) << std::string(sid.begin(), sid.end());
    }

    // Colleagues given read access keep it after a save.
    ASSERT_TRUE(SetAccessRules(profile, L"D:P(A;;FA;;;" + user + L")(A;;FR;;;WD)"));
    const std::vector<std::wstring> readers = AllowedSids(profile, FILE_READ_DATA);
    ASSERT_NE(std::find(readers.begin(), readers.end(), kEveryone), readers.end());

    auto held = files->openHeld(profile, error);
    ASSERT_TRUE(held);
    installed = Save(*files, profile, held.get(), {"two"}, true, error);
    ASSERT_TRUE(installed) << error.number;
    held.reset();
    installed.reset();
    EXPECT_EQ(TempFolder::readFile(profile), "two\r\n");
    EXPECT_EQ(AllowedSids(profile, FILE_READ_DATA), readers);
}

// Files with passwords in clear (an export, the master list's PDF) are their user's alone, also in
// a folder whose rules let everyone read what is made there. (A file that was there already gets
// the same rules in place of its own; Wine does not apply rules set on an open file, so only
// Windows shows that, and here it is written as before.)
TEST(WindowsFileSystem, FilesWithPasswordsInClearLetInTheirUserOnly) {
    TempFolder temp;
    const std::wstring user = CurrentUserSid();
    ASSERT_TRUE(SetAccessRules(temp.path(), L"D:P(A;OICI;FA;;;" + user + L")(A;OICI;FR;;;WD)"));
    TempFolder::writeFile(temp / "before.csv", "old");
    const std::vector<std::wstring> readers = AllowedSids(temp / "before.csv", FILE_READ_DATA);
    ASSERT_NE(std::find(readers.begin(), readers.end(), kEveryone), readers.end()) << "the folder's rules";

    for (const char* name : {"new.csv", "before.csv"}) {
        SCOPED_TRACE(name);
        const std::filesystem::path file = temp / name;
        ASSERT_EQ(WriteOwnerOnlyFile(file.string(), "pw"), std::nullopt);
        EXPECT_EQ(TempFolder::readFile(file), "pw");
        if (std::string(name) == "before.csv") continue;
        for (const std::wstring& sid : AllowedSids(file, FILE_READ_DATA)) {
            EXPECT_TRUE(sid == user || sid == kLocalSystem) << std::string(sid.begin(), sid.end());
        }
    }
}

TEST(WindowsFileSystem, WritesAreBufferedUntilFlush) {
    TempFolder temp;
    auto files = CreateHostFileSystem();
    ErrorInfo error;
    auto out = files->createTemporary(temp / "p.dat", nullptr, error);
    ASSERT_TRUE(out);
    const std::string line(98, 'A');
    for (int i = 0; i < 100; ++i) {
        ASSERT_FALSE(out->writeLine(line).failed());
    }
    const auto sizeOnDisk = [&] {
        const std::vector<std::wstring> names = NamesIn(temp.path());
        EXPECT_EQ(names.size(), 1u);
        WIN32_FILE_ATTRIBUTE_DATA data{};
        EXPECT_TRUE(GetFileAttributesExW((temp.path() / names.at(0)).c_str(), GetFileExInfoStandard, &data));
        return data.nFileSizeLow;
    };
    EXPECT_EQ(sizeOnDisk(), 0u);  // 10,000 bytes wait in the buffer
    ASSERT_FALSE(out->flush().failed());
    EXPECT_EQ(sizeOnDisk(), 10000u);
    out.reset();  // never installed: the temporary file goes
    EXPECT_EQ(NamesIn(temp.path()), std::vector<std::wstring>{});
}

TEST(WindowsFileSystem, ListsOnlyRealDatNamesAndRemovesOnlyUnheldLeftovers) {
    TempFolder temp;
    for (const char* name :
         {"b.dat", "A.dat", "C.DAT", "c.datx", "d.data", "longername.datum", "e.dat.bak", "f.txt"}) {
        TempFolder::writeFile(temp / name, "");
    }
    std::filesystem::create_directory(temp / "dir.dat");
    auto files = CreateHostFileSystem();
    EXPECT_EQ(files->listProfileFiles(temp.path()),
              (std::vector<std::filesystem::path>{"A.dat", "C.DAT", "b.dat"}));
    EXPECT_TRUE(files->listProfileFiles(temp / "missing").empty());

    // A crashed save's temporary file goes; one that another instance is writing stays.
    TempFolder::writeFile(temp / ".p.dat.Zx81Zx81.tmp", "partial");
    TempFolder::writeFile(temp / ".q.dat.Zx81Zx81.tmp", "another profile's");
    auto other = CreateHostFileSystem();
    ErrorInfo error;
    auto writing = other->createTemporary(temp / "p.dat", nullptr, error);
    ASSERT_TRUE(writing);
    EXPECT_EQ(files->removeLeftovers(temp / "p.dat"),
              std::vector<std::filesystem::path>{".p.dat.Zx81Zx81.tmp"});
    EXPECT_TRUE(std::filesystem::exists(temp / ".q.dat.Zx81Zx81.tmp"));
    ASSERT_FALSE(writing->flush().failed());
    EXPECT_TRUE(other->install(std::move(writing), temp / "p.dat", false, error));
}

// Lets everyone add files to the folder, as a shared folder's rules may.
void LetEveryoneWrite(const std::filesystem::path& folder) {
    PSID everyone = nullptr;
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_EQ(GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                    nullptr, &dacl, nullptr, &descriptor),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPLICIT_ACCESSW access{};
    access.grfAccessPermissions = FILE_ADD_FILE | FILE_DELETE_CHILD;
    access.grfAccessMode = GRANT_ACCESS;
    access.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    access.Trustee.ptstrName = static_cast<LPWSTR>(everyone);
    PACL widened = nullptr;
    ASSERT_EQ(SetEntriesInAclW(1, &access, dacl, &widened), static_cast<DWORD>(ERROR_SUCCESS));
    std::wstring name = folder.wstring();
    EXPECT_EQ(SetNamedSecurityInfoW(name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                    widened, nullptr),
              static_cast<DWORD>(ERROR_SUCCESS));
    LocalFree(widened);
    LocalFree(descriptor);
    FreeSid(everyone);
}

TEST(WindowsFileSystem, AFolderEveryoneMayAddFilesToIsNoPlaceToFollowALinkFrom) {
    TempFolder temp;
    std::filesystem::create_directory(temp / "own");
    EXPECT_TRUE(win::OnlyOwnerMayChange(temp / "own"));
    LetEveryoneWrite(temp / "own");
    EXPECT_FALSE(win::OnlyOwnerMayChange(temp / "own"));
    EXPECT_FALSE(win::OnlyOwnerMayChange(temp / "missing"));
}

// A profile that is a symbolic link: followed between folders only the user can change, and a
// save goes where the held file was taken even when the link is pointed elsewhere meanwhile;
// refused in a folder everyone may change.
TEST(WindowsFileSystem, AProfileThatIsALinkIsFollowedOnlyWhereNobodyElseCanChangeWhereItLeads) {
    TempFolder temp;
    for (const char* folder : {"db", "sync", "home"}) {
        std::filesystem::create_directory(temp / folder);
    }
    TempFolder::writeFile(temp / "sync" / "Team.dat", "old\r\n");
    TempFolder::writeFile(temp / "home" / "private.txt", "private\r\n");
    const std::filesystem::path link = temp / "db" / "Team.dat";
    const auto linkTo = [&](const std::filesystem::path& target) {
        DeleteFileW(link.c_str());
        return CreateSymbolicLinkW(link.c_str(), target.c_str(), 0x2 /* ALLOW_UNPRIVILEGED_CREATE */) !=
                   FALSE &&
               win::IsLink(link);
    };
    if (!linkTo(temp / "sync" / "Team.dat")) {
        GTEST_SKIP() << "this system makes no symbolic links seen as such (Wine 8 has none)";
    }
    auto files = CreateHostFileSystem();
    ErrorInfo error;
    auto held = files->openHeld(link, error);
    ASSERT_TRUE(held) << error.number;
    ASSERT_TRUE(linkTo(temp / "home" / "private.txt"));  // pointed elsewhere while the profile is held
    EXPECT_TRUE(Save(*files, link, held.get(), {"new"}, true, error)) << error.number;
    EXPECT_EQ(TempFolder::readFile(temp / "sync" / "Team.dat"), "new\r\n");
    EXPECT_EQ(TempFolder::readFile(temp / "home" / "private.txt"), "private\r\n");
    EXPECT_EQ(NamesIn(temp / "home"), std::vector<std::wstring>{L"private.txt"});
    held.reset();

    ASSERT_TRUE(linkTo(temp / "sync" / "Team.dat"));
    LetEveryoneWrite(temp / "db");
    EXPECT_FALSE(files->openHeld(link, error));
    EXPECT_EQ(error.number, 83);
    EXPECT_EQ(files->remove(link).number, 83);
}

}  // namespace
}  // namespace keyloft::platform

#endif  // _WIN32
