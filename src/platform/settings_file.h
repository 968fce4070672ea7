#pragma once
// Settings kept in a small text file: a "[General]" line, then one "Name=value" line per setting.
// The value is everything after the first "=" to the end of the line, with no quoting or escapes.
// Lines the store does not know are kept when it rewrites the file; the folder and the file are
// created on the first write, and the file is replaced as a whole (temporary file, then rename).

#include <filesystem>

#include "store/settings_store.h"

namespace keyloft::platform {

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

}  // namespace keyloft::platform
