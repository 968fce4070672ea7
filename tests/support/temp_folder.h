#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it (permissions
// restored first) when the object goes.
//
// Its name carries the id of the test process ("keyloft-test-pid<pid>-..."). A test process that is
// killed cannot remove its folders, so the first folder a process makes removes those of test
// processes that no longer run (left unchanged for ten minutes).

#include <filesystem>
#include <string>
#include <string_view>

namespace keyloft::testing {

class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

    // Whole-file helpers for checking exact bytes.
    static std::string readFile(const std::filesystem::path& file);
    static void writeFile(const std::filesystem::path& file, std::string_view bytes);

    // Removes the folders left in `base` by test processes that have ended; returns how many.
    static int removeLeftovers(const std::filesystem::path& base);

  private:
    std::filesystem::path path_;
};

}  // namespace keyloft::testing
