#include "platform/settings_file.h"

#include <fstream>
#include <memory>
#include <random>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "platform/platform_core.h"
#include "store/text_convert.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

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

bool ReadBytes(const std::filesystem::path& file, std::string& bytes) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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

// A name or value that the file cannot hold.
bool Refused(std::u16string_view name, std::u16string_view value) {
    return name.empty() || name.find_first_of(u"=\r\n") != std::u16string_view::npos ||
           value.find_first_of(u"\r\n") != std::u16string_view::npos;
}

}  // namespace

std::vector<std::string> SplitSettingsLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        const std::size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
        if (end == std::string_view::npos) {
            end = bytes.size();
        }
        // Carriage returns before the line feed are part of the line end, however many there are:
        // the store never writes one into a value, so a line it writes back reads the same.
        std::string_view line = bytes.substr(start, end - start);
        while (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.emplace_back(line);
        start = next;
    }
    return lines;
}

std::optional<std::u16string> FindSettingValue(const std::vector<std::string>& lines,
                                               std::u16string_view name) {
    if (name.empty()) {
        return std::nullopt;
    }
    const std::ptrdiff_t index = FindSetting(lines, Utf16ToUtf8(name));
    if (index < 0) {
        return std::nullopt;
    }
    const std::string& line = lines[static_cast<std::size_t>(index)];
    std::string_view text = std::string_view(line).substr(line.find('=') + 1);
    if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos) {
        text = text.substr(0, nul);
    }
    return Utf8ToUtf16(text);
}

bool SetSettingValue(std::vector<std::string>& lines, std::u16string_view name, std::u16string_view value) {
    if (Refused(name, value)) {
        return false;
    }
    if (const std::size_t nul = value.find(u'\0'); nul != std::u16string_view::npos) {
        value = value.substr(0, nul);
    }
    bool hasSection = false;
    for (const std::string& line : lines) {
        hasSection = hasSection || line == kSection;
    }
    if (!hasSection) {
        lines.insert(lines.begin(), kSection);
    }
    const std::string utf8Name = Utf16ToUtf8(name);
    std::string newLine = utf8Name + "=" + Utf16ToUtf8(value);
    if (const std::ptrdiff_t index = FindSetting(lines, utf8Name); index >= 0) {
        lines[static_cast<std::size_t>(index)] = std::move(newLine);
    } else {
        lines.push_back(std::move(newLine));
    }
    return true;
}

std::string JoinSettingsLines(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line;
        bytes += '\n';
    }
    return bytes;
}

bool SettingsFile::read(std::u16string_view name, std::u16string& value) {
    std::string bytes;
    if (name.empty() || !ReadBytes(file_, bytes)) {
        return false;
    }
    std::optional<std::u16string> found = FindSettingValue(SplitSettingsLines(bytes), name);
    if (!found) {
        return false;
    }
    value = std::move(*found);
    return true;
}

namespace {

#ifndef _WIN32

// The settings are this user's alone (which profiles are used, whether each is sealed): the folder
// is made readable by its owner only, a folder of the user's that others may read is closed, and
// each file is created 0600.
bool MakePrivateFolder(const std::filesystem::path& folder) {
    if (folder.empty()) {
        return true;
    }
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) {
        if (errno != ENOENT || !MakePrivateFolder(folder.parent_path())) {
            return false;
        }
        return ::mkdir(folder.c_str(), S_IRWXU) == 0 || errno == EEXIST;
    }
    if (!S_ISDIR(st.st_mode)) {
        return false;
    }
    return true;
}

bool ClosePrivateFolder(const std::filesystem::path& folder) {
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0;
    if (ok && st.st_uid == ::geteuid() && (st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        ok = ::fchmod(fd, st.st_mode & S_IRWXU) == 0;
    }
    ::close(fd);
    return ok;
}

// The whole new file, created readable and writable by its owner only (never through a link).
bool WriteNewPrivateFile(const std::filesystem::path& file, const std::string& bytes) {
    const int fd =
        ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0) {
        return false;
    }
    bool ok = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0;
    for (std::size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        ok = n > 0;
        done += ok ? static_cast<std::size_t>(n) : 0;
    }
    ok = ::close(fd) == 0 && ok;
    return ok;
}

#else

bool MakePrivateFolder(const std::filesystem::path& folder) {
    std::error_code error;
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, error);
    }
    return !error;
}

// The user's application-data folder is the user's own already.
bool ClosePrivateFolder(const std::filesystem::path&) { return true; }

bool WriteNewPrivateFile(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (!out) {
        return false;
    }
    out << bytes;
    out.flush();
    return static_cast<bool>(out);
}

#endif

}  // namespace

bool SettingsFile::write(std::u16string_view name, std::u16string_view value) {
    if (Refused(name, value)) {
        return false;
    }
    std::vector<std::string> lines;
    std::error_code error;
    const std::filesystem::path folder = file_.parent_path();
    if (!MakePrivateFolder(folder) || !ClosePrivateFolder(folder)) {
        return false;
    }
    if (std::filesystem::exists(file_, error)) {
        std::string bytes;
        if (!ReadBytes(file_, bytes)) {
            return false;
        }
        lines = SplitSettingsLines(bytes);
    }
    (void)SetSettingValue(lines, name, value);

    // A name of this write's own: several running copies may write the file at once, and each
    // puts its own whole file in place.
    std::filesystem::path temporary = file_;
    temporary += ".new-" + std::to_string(std::random_device{}()) + std::to_string(std::random_device{}());
    if (!WriteNewPrivateFile(temporary, JoinSettingsLines(lines))) {
        std::filesystem::remove(temporary, error);
        return false;
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

namespace {

class SeenProfilesApart final : public SettingsStore {
  public:
    SeenProfilesApart(std::unique_ptr<SettingsStore> settings, const std::filesystem::path& folder)
        : settings_(std::move(settings)), seen_(folder / kSeenProfilesFileName) {}
    bool read(std::u16string_view name, std::u16string& value) override {
        return IsSeen(name) ? seen_.read(name, value) : settings_->read(name, value);
    }
    bool write(std::u16string_view name, std::u16string_view value) override {
        return IsSeen(name) ? seen_.write(name, value) : settings_->write(name, value);
    }

  private:
    static bool IsSeen(std::u16string_view name) { return name.rfind(u"Seen", 0) == 0; }
    std::unique_ptr<SettingsStore> settings_;
    SettingsFile seen_;
};

}  // namespace

std::unique_ptr<SettingsStore> WithSeenProfilesIn(std::unique_ptr<SettingsStore> settings,
                                                  const std::filesystem::path& folder) {
    return std::make_unique<SeenProfilesApart>(std::move(settings), folder);
}

}  // namespace keyloft::platform
