#include "platform/settings_file.h"

#include <fstream>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "platform/platform_core.h"
#include "store/text_convert.h"

namespace keyloft::platform {
namespace {

constexpr char kSection[] = "[General]";

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') {
            x = static_cast<char>(x - 'A' + 'a');
        }
        if (y >= 'A' && y <= 'Z') {
            y = static_cast<char>(y - 'A' + 'a');
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

bool ReadLines(const std::filesystem::path& file, std::vector<std::string>& lines) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return !in.bad();
}

// Index of the line holding the setting, or -1.
std::ptrdiff_t FindSetting(const std::vector<std::string>& lines, std::string_view name) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::size_t equals = lines[i].find('=');
        if (equals != std::string::npos && SameName(std::string_view(lines[i]).substr(0, equals), name)) {
            return static_cast<std::ptrdiff_t>(i);
        }
    }
    return -1;
}

}  // namespace

bool SettingsFile::read(std::u16string_view name, std::u16string& value) {
    std::vector<std::string> lines;
    if (name.empty() || !ReadLines(file_, lines)) {
        return false;
    }
    const std::ptrdiff_t index = FindSetting(lines, Utf16ToUtf8(name));
    if (index < 0) {
        return false;
    }
    const std::string& line = lines[static_cast<std::size_t>(index)];
    std::string text = line.substr(line.find('=') + 1);
    if (const std::size_t nul = text.find('\0'); nul != std::string::npos) {
        text.erase(nul);
    }
    value = Utf8ToUtf16(text);
    return true;
}

bool SettingsFile::write(std::u16string_view name, std::u16string_view value) {
    if (name.empty() || name.find_first_of(u"=\r\n") != std::u16string_view::npos ||
        value.find_first_of(u"\r\n") != std::u16string_view::npos) {
        return false;
    }
    if (const std::size_t nul = value.find(u'\0'); nul != std::u16string_view::npos) {
        value = value.substr(0, nul);
    }
    std::error_code error;
    std::vector<std::string> lines;
    if (std::filesystem::exists(file_, error)) {
        if (!ReadLines(file_, lines)) {
            return false;
        }
    } else {
        const std::filesystem::path folder = file_.parent_path();
        if (!folder.empty()) {
            std::filesystem::create_directories(folder, error);
            if (error) {
                return false;
            }
        }
    }
    bool hasSection = false;
    for (const std::string& line : lines) {
        hasSection = hasSection || line == kSection;
    }
    if (!hasSection) {
        lines.insert(lines.begin(), kSection);
    }
    const std::string utf8Name = Utf16ToUtf8(name);
    const std::string newLine = utf8Name + "=" + Utf16ToUtf8(value);
    if (const std::ptrdiff_t index = FindSetting(lines, utf8Name); index >= 0) {
        lines[static_cast<std::size_t>(index)] = newLine;
    } else {
        lines.push_back(newLine);
    }

    std::filesystem::path temporary = file_;
    temporary += ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            return false;
        }
        for (const std::string& line : lines) {
            out << line << '\n';
        }
        out.flush();
        if (!out) {
            out.close();
            std::filesystem::remove(temporary, error);
            return false;
        }
    }
    std::filesystem::rename(temporary, file_, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

std::unique_ptr<SettingsStore> CreateSettingsStoreIn(const std::filesystem::path& folder) {
    return std::make_unique<SettingsFile>(folder / kSettingsFileName);
}

}  // namespace keyloft::platform
