// Settings in the registry: HKEY_CLASSES_ROOT\Licenses\Corvane\Keyloft\<name>, default value of
// type REG_SZ in the ANSI code page. Keys are never created here, by reading or by writing:
// writing a setting whose key does not exist fails. Each access asks only for the rights it needs,
// so that reading works for users who may not change the key.

#ifdef _WIN32

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/platform_core.h"
#include "platform/settings_file.h"

namespace keyloft::platform {
namespace {

constexpr char kKeyPrefix[] = "Licenses\\Corvane\\Keyloft\\";

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

class Key {
  public:
    Key(std::u16string_view name, REGSAM access) {
        std::string ansi;
        if (!name.empty() && ToAnsi(name, ansi) &&
            RegOpenKeyExA(HKEY_CLASSES_ROOT, (kKeyPrefix + ansi).c_str(), 0, access, &key_) !=
                ERROR_SUCCESS) {
            key_ = nullptr;
        }
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
    HKEY key_ = nullptr;
};

class RegistrySettings final : public SettingsStore {
  public:
    bool read(std::u16string_view name, std::u16string& value) override {
        const Key key(name, KEY_QUERY_VALUE);
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
        const Key key(name, KEY_SET_VALUE);
        return key.get() != nullptr &&
               RegSetValueExA(key.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                              static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
    }
};

}  // namespace

std::unique_ptr<SettingsStore> CreateUserSettingsStore() {
    return WithSeenProfilesIn(std::make_unique<RegistrySettings>(), UserDataFolder());
}

}  // namespace keyloft::platform

#endif  // _WIN32
