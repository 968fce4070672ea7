// Settings in the registry: HKEY_CLASSES_ROOT\Licenses\Corvane\Keyloft\<name>, default value of
// type REG_SZ in the ANSI code page. Writing a setting whose key does not exist fails. Each access
// asks only for the rights it needs, so that reading works for users who may not change the key.
//
// The installer makes the keys for the whole machine (HKEY_LOCAL_MACHINE\Software\Classes, which
// HKEY_CLASSES_ROOT shows), where only administrators may change them. Where the machine's key is
// there but this user may not change it, the value goes to the user's own copy of the key
// (HKEY_CURRENT_USER\Software\Classes\...), the only key made here; a setting is read from the
// user's copy when there is one, as Windows' view of HKEY_CLASSES_ROOT does too.

#ifdef _WIN32

#include <windows.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform_core.h"
#include "platform/settings_file.h"
#include "platform/settings_registry_win.h"

namespace keyloft::platform {
namespace {

constexpr char kKeyPrefix[] = "Licenses\\Corvane\\Keyloft\\";
constexpr char kUserClasses[] = "Software\\Classes\\";

// Text in the ANSI code page; false when a character has no form there (it would be stored as
// another character).
bool ToAnsi(std::u16string_view text, std::string& out) {
    out.clear();
    if (text.empty()) {
        return true;
    }
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int length = static_cast<int>(text.size());
    BOOL lossy = FALSE;
    const int n =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0, nullptr, &lossy);
    if (n <= 0 || lossy) {
        return false;
    }
    out.assign(static_cast<std::size_t>(n), '\0');
    return WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, length, out.data(), n, nullptr, &lossy) ==
               n &&
           !lossy;
}

std::u16string FromAnsi(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return std::u16string(wide.begin(), wide.end());
}

// The path of a setting's key below HKEY_CLASSES_ROOT; false when the name has no ANSI form.
bool KeyPath(std::u16string_view name, std::string& path) {
    std::string ansi;
    if (name.empty() || !ToAnsi(name, ansi)) return false;
    path = kKeyPrefix + ansi;
    return true;
}

class Key {
  public:
    // The key at `path` below `root`, opened with `access`.
    Key(HKEY root, const std::string& path, REGSAM access) {
        if (RegOpenKeyExA(root, path.c_str(), 0, access, &key_) != ERROR_SUCCESS) key_ = nullptr;
    }
    // The user's own copy of a setting's key, made when `create` and it is missing.
    static Key usersCopy(const std::string& path, REGSAM access, bool create) {
        Key key;
        const std::string own = kUserClasses + path;
        const LONG opened = create ? RegCreateKeyExA(HKEY_CURRENT_USER, own.c_str(), 0, nullptr, 0, access,
                                                     nullptr, &key.key_, nullptr)
                                   : RegOpenKeyExA(HKEY_CURRENT_USER, own.c_str(), 0, access, &key.key_);
        if (opened != ERROR_SUCCESS) key.key_ = nullptr;
        return key;
    }
    // A key that the caller opened.
    explicit Key(HKEY opened) : key_(opened) {}
    Key(Key&& other) noexcept : key_(other.key_) { other.key_ = nullptr; }
    Key& operator=(Key&& other) noexcept {
        std::swap(key_, other.key_);
        return *this;
    }
    ~Key() {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return key_; }

  private:
    Key() = default;
    HKEY key_ = nullptr;
};

class RegistrySettings final : public SettingsStore {
  public:
    explicit RegistrySettings(MachineKeyOpener openMachineKey) : openMachineKey_(openMachineKey) {}

    bool read(std::u16string_view name, std::u16string& value) override {
        std::string path;
        if (!KeyPath(name, path)) return false;
        Key own = Key::usersCopy(path, KEY_QUERY_VALUE, false);
        const Key key = own.get() != nullptr ? std::move(own) : Key(HKEY_CLASSES_ROOT, path, KEY_QUERY_VALUE);
        if (key.get() == nullptr) {
            return false;
        }
        std::u16string result;
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExA(key.get(), nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
            type == REG_SZ) {
            std::vector<char> buffer(size + 1, '\0');
            if (RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                                 &size) == ERROR_SUCCESS) {
                // Cut at the stated size and at the first NUL.
                result = FromAnsi(std::string(buffer.data(), strnlen(buffer.data(), size)));
            }
        }
        value = result;
        return true;
    }

    bool write(std::u16string_view name, std::u16string_view value) override {
        std::string text;
        if (!ToAnsi(value, text)) {
            return false;
        }
        std::string path;
        if (!KeyPath(name, path)) return false;
        Key key = Key::usersCopy(path, KEY_SET_VALUE, false);
        if (key.get() == nullptr) {
            HKEY opened = nullptr;
            const LONG error = openMachineKey_(path.c_str(), &opened);
            key = Key(error == ERROR_SUCCESS ? opened : nullptr);
            // There, but closed to this user: the user's own copy takes the value.
            if (key.get() == nullptr && error == ERROR_ACCESS_DENIED &&
                Key(HKEY_CLASSES_ROOT, path, KEY_QUERY_VALUE).get() != nullptr) {
                key = Key::usersCopy(path, KEY_SET_VALUE, true);
            }
        }
        return key.get() != nullptr &&
               RegSetValueExA(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
    }

  private:
    MachineKeyOpener openMachineKey_;
};

LONG OpenMachineKeyForWriting(const char* path, HKEY* key) {
    return RegOpenKeyExA(HKEY_CLASSES_ROOT, path, 0, KEY_SET_VALUE, key);
}

}  // namespace

std::unique_ptr<SettingsStore> CreateRegistrySettings(MachineKeyOpener openForWriting) {
    return std::make_unique<RegistrySettings>(openForWriting);
}

std::unique_ptr<SettingsStore> CreateUserSettingsStore() {
    return WithSeenProfilesIn(CreateRegistrySettings(OpenMachineKeyForWriting), UserDataFolder());
}

}  // namespace keyloft::platform

#endif  // _WIN32
