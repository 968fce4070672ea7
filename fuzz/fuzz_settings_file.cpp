// The settings file as the store reads and rewrites it, without the file: the first input line is
// a setting to write ("Name=value"), the rest is the file's content.
// Checks: after the write is written back and read again, the written name reads the written
// value (to its first NUL), every other name reads what it read before, and a refused write
// leaves the file's lines as they were.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/settings_file.h"
#include "store/text_convert.h"

namespace {

using keyloft::Utf8ToUtf16;
using namespace keyloft::platform;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "settings check failed: %s\n", what);
    std::abort();
}

bool SameName(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i];
        char16_t y = b[i];
        if (x >= u'A' && x <= u'Z') x = static_cast<char16_t>(x - u'A' + u'a');
        if (y >= u'A' && y <= u'Z') y = static_cast<char16_t>(y - u'A' + u'a');
        if (x != y) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t firstEnd = input.find('\n');
    const std::string_view request = input.substr(0, firstEnd);
    const std::string_view file =
        firstEnd == std::string_view::npos ? std::string_view() : input.substr(firstEnd + 1);
    const std::size_t equals = request.find('=');
    const std::u16string name = Utf8ToUtf16(request.substr(0, equals));
    const std::u16string value =
        equals == std::string_view::npos ? std::u16string() : Utf8ToUtf16(request.substr(equals + 1));

    const std::vector<std::string> lines = SplitSettingsLines(file);
    // The names to compare: the written one, the program's own, and every name in the file.
    std::vector<std::u16string> names = {name, u"Database", u"Timer", u"database"};
    for (const std::string& line : lines) {
        if (const std::size_t at = line.find('='); at != std::string::npos) {
            names.push_back(Utf8ToUtf16(std::string_view(line).substr(0, at)));
        }
    }
    std::vector<std::optional<std::u16string>> before;
    for (const std::u16string& n : names) before.push_back(FindSettingValue(lines, n));

    std::vector<std::string> written = lines;
    if (!SetSettingValue(written, name, value)) {
        if (written != lines) Fail("a refused write changed the lines");
        return 0;
    }
    const std::vector<std::string> reread = SplitSettingsLines(JoinSettingsLines(written));
    const std::u16string stored = value.substr(0, value.find(u'\0'));
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::optional<std::u16string> after = FindSettingValue(reread, names[i]);
        if (SameName(names[i], name)) {
            if (after != stored) Fail("the written setting reads back otherwise");
        } else if (after != before[i]) {
            Fail("another setting reads otherwise after a write");
        }
    }
    return 0;
}
