#pragma once
// Settings kept in a small text file: a "[General]" line, then one "Name=value" line per setting.
// The value is everything after the first "=" to the end of the line, with no quoting or escapes.
// Lines the store does not know are kept when it rewrites the file; the folder and the file are
// created on the first write, and the file is replaced as a whole (temporary file, then rename).
// They are this user's alone: on POSIX systems the folder is 0700 (a folder of the user's that
// others may enter is closed at the next write) and every file is created 0600.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/settings_store.h"

namespace keyloft::platform {

// The file's text, without any file access: what the store reads and writes goes through these.
// Lines as the reader sees them: the text split at line feeds (a last line without one still
// counts), each line without the carriage returns at its end.
std::vector<std::string> SplitSettingsLines(std::string_view bytes);
// The value of the first line whose name (the text before its first "=") equals `name`, letter
// case of A-Z ignored; the value ends at its first NUL. Nothing when no line has that name.
std::optional<std::u16string> FindSettingValue(const std::vector<std::string>& lines,
                                               std::u16string_view name);
// Sets the value in the first line with that name, or adds a line at the end; adds "[General]" at
// the top when no line is that section. False (lines untouched) for an empty name, a name holding
// "=" or a line break, or a value holding a line break. The value ends at its first NUL.
bool SetSettingValue(std::vector<std::string>& lines, std::u16string_view name, std::u16string_view value);
// The file's bytes: every line followed by a line feed.
std::string JoinSettingsLines(const std::vector<std::string>& lines);

class SettingsFile final : public SettingsStore {
  public:
    explicit SettingsFile(std::filesystem::path file) : file_(std::move(file)) {}
    bool read(std::u16string_view name, std::u16string& value) override;
    bool write(std::u16string_view name, std::u16string_view value) override;
    const std::filesystem::path& file() const { return file_; }

  private:
    std::filesystem::path file_;
};

inline constexpr char kSettingsFileName[] = "Keyloft.conf";
inline constexpr char kSeenProfilesFileName[] = "Keyloft-seen.conf";

// `settings`, with what this user remembers of each profile file (the "Seen..." settings, written
// at every logon and save) kept in <folder>/Keyloft-seen.conf instead: the settings themselves are
// rewritten only when one of them changes, and on Windows the registry needs no key for each file.
std::unique_ptr<SettingsStore> WithSeenProfilesIn(std::unique_ptr<SettingsStore> settings,
                                                  const std::filesystem::path& folder);

}  // namespace keyloft::platform
