// The user settings on Windows: the registry, under keys that the installer makes.
#ifdef _WIN32

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "platform/platform_core.h"
#include "platform/settings_registry_win.h"

namespace keyloft::platform {
namespace {

constexpr char kDatabaseKey[] = "Licenses\\Corvane\\Keyloft\\Database";

bool KeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kDatabaseKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

constexpr char kUsersDatabaseKey[] = "Software\\Classes\\Licenses\\Corvane\\Keyloft\\Database";
constexpr char kUsersTimerKey[] = "Software\\Classes\\Licenses\\Corvane\\Keyloft\\Timer";

std::string DefaultValue(HKEY root, const char* path) {
    char text[64] = {};
    DWORD size = sizeof text;
    if (RegGetValueA(root, path, nullptr, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return "(none)";
    return text;
}

class RegistrySettings : public ::testing::Test {
  protected:
    void SetUp() override { removeKeys(); }
    void TearDown() override { removeKeys(); }
    static void removeKeys() {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, kDatabaseKey);
        for (const char* users : {kUsersDatabaseKey, kUsersTimerKey}) {
            RegDeleteTreeA(HKEY_CURRENT_USER, users);
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, users);
        }
    }
};

// The installer makes the keys for the machine, which only administrators may change: a user whom
// the key's access rules refuse keeps the value in a copy of the key of their own, read from then
// on; the machine's value stays. A key the installer did not make is still made for nobody.
TEST_F(RegistrySettings, AUserWhomTheMachinesKeyRefusesKeepsTheValueInACopyOfTheirOwn) {
    HKEY machine = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUsersDatabaseKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &machine, nullptr),
              ERROR_SUCCESS);
    const char shared[] = "D:\\Shared";
    ASSERT_EQ(
        RegSetValueExA(machine, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(shared), sizeof shared),
        ERROR_SUCCESS);
    RegCloseKey(machine);
    const auto refused =
        CreateRegistrySettings([](const char*, HKEY*) -> LONG { return ERROR_ACCESS_DENIED; });
    std::u16string value;
    ASSERT_TRUE(refused->read(u"Database", value));
    EXPECT_EQ(value, u"D:\\Shared");
    for (const std::u16string mine : {u"C:\\Mine", u"C:\\Mine again"}) {
        ASSERT_TRUE(refused->write(u"Database", mine));
        ASSERT_TRUE(refused->read(u"Database", value));
        EXPECT_EQ(value, mine);
        EXPECT_EQ(CreateUserSettingsStore()->read(u"Database", value) ? value : u"", mine);
    }
    EXPECT_EQ(DefaultValue(HKEY_CURRENT_USER, kUsersDatabaseKey), "C:\\Mine again");
    EXPECT_EQ(DefaultValue(HKEY_LOCAL_MACHINE, kUsersDatabaseKey), "D:\\Shared");

    EXPECT_FALSE(refused->write(u"Timer", u"5"));
    HKEY none = nullptr;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, kUsersTimerKey, 0, KEY_READ, &none), ERROR_SUCCESS);
}

TEST_F(RegistrySettings, AMissingKeyIsNeverCreated) {
    auto settings = CreateUserSettingsStore();
    std::u16string value = u"kept";
    EXPECT_FALSE(settings->read(u"Database", value));
    EXPECT_EQ(value, u"kept");
    EXPECT_FALSE(KeyExists());
    EXPECT_FALSE(settings->write(u"Database", u"C:\\Data"));
    EXPECT_FALSE(KeyExists());
}

TEST_F(RegistrySettings, ValuesAreAnsiTextInTheDefaultValue) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, kDatabaseKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    auto settings = CreateUserSettingsStore();
    std::u16string value = u"x";
    ASSERT_TRUE(settings->read(u"Database", value));  // a key without a value reads as empty
    EXPECT_EQ(value, u"");

    const std::u16string folder = u"C:\\D\u00e9p\u00f4t\\Keyloft";
    ASSERT_TRUE(settings->write(u"Database", folder));
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    // Read back as UTF-16 by the registry itself: only text stored in the ANSI code page comes
    // back as it was written.
    std::wstring wide(size / sizeof(wchar_t), L'\0');
    ASSERT_EQ(RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(wide.data()), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::u16string(wide.c_str(), wide.c_str() + wcslen(wide.c_str())), folder);
    if (GetACP() == 1252) {
        char ansi[64] = {};
        DWORD ansiSize = sizeof ansi;
        ASSERT_EQ(RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(ansi), &ansiSize),
                  ERROR_SUCCESS);
        EXPECT_EQ(std::string(ansi, strnlen(ansi, ansiSize)), "C:\\D\xe9p\xf4t\\Keyloft");
    }
    ASSERT_TRUE(settings->read(u"database", value));
    EXPECT_EQ(value, folder);

    // Text that the code page cannot hold is refused rather than stored as question marks.
    if (GetACP() != CP_UTF8) {
        EXPECT_FALSE(settings->write(u"Database", u"C:\\\u65e5\u672c\u0416"));
        ASSERT_TRUE(settings->read(u"Database", value));
        EXPECT_EQ(value, folder);
    }

    // A value that another program stored is read as it stands.
    const char written[] = "D:\\Shared";
    ASSERT_EQ(RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(written), sizeof written),
              ERROR_SUCCESS);
    ASSERT_TRUE(settings->read(u"Database", value));
    EXPECT_EQ(value, u"D:\\Shared");
    RegCloseKey(key);
}

}  // namespace
}  // namespace keyloft::platform

#endif  // _WIN32
