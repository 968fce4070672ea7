// Settings in the registry: HKEY_CLASSES_ROOT\Licenses\Corvane\Keyloft\<name>, default value of
// type REG_SZ in the ANSI code page. The keys are not created here: writing a setting whose key
// does not exist fails.

#ifdef _WIN32

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/platform_core.h"

namespace keyloft::platform {
namespace {

constexpr char kKeyPrefix[] = "Licenses\\Corvane\\Keyloft\\";

std::string ToAnsi(std::u16string_view text) {
    if (text.empty()) {
        return {};
    }
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int n = WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::u16string FromAnsi(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return std::u16string(wide.begin(), wide.end());
}

class RegistrySettings final : public SettingsStore {
public:
    bool read(std::u16string_view name, std::u16string& value) override {
        HKEY key = nullptr;
        const std::string path = kKeyPrefix + ToAnsi(name);
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
            return false;
        }
        std::u16string result;
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ) {
            std::vector<char> buffer(size + 1, '\0');
            if (RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) ==
                ERROR_SUCCESS) {
                // Cut at the stated size and at the first NUL.
                const std::string text(buffer.data(), strnlen(buffer.data(), size));
                result = FromAnsi(text);
            }
        }
        RegCloseKey(key);
        value = result;
        return true;
    }

    bool write(std::u16string_view name, std::u16string_view value) override {
        HKEY key = nullptr;
        const std::string path = kKeyPrefix + ToAnsi(name);
        if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
            return false;
        }
        const std::string text = ToAnsi(value);
        const LONG rc = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                       static_cast<DWORD>(text.size() + 1));
        RegCloseKey(key);
        return rc == ERROR_SUCCESS;
    }
};

}  // namespace

std::unique_ptr<SettingsStore> CreateUserSettingsStore() { return std::make_unique<RegistrySettings>(); }

}  // namespace keyloft::platform

#endif  // _WIN32
