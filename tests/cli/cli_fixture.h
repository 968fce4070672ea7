#pragma once
// The fixture of the keyloft-cli tests: a temporary database folder and settings folder, the
// binary run on them, and the storage library on the same folder as another running instance.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "store/utf8_text.h"
#include "cli_process.h"
#include "platform/platform_core.h"
#include "store/file_system.h"
#include "store/profile_store.h"
#include "support/profile_seeding.h"
#include "support/quick_sealing.h"
#include "support/quiet_host.h"
#include "support/record_values.h"

using keyloft::testing::AddEntryRecord;
using keyloft::testing::ChangeSecurity;
using keyloft::testing::RewriteProfileFile;
using keyloft::testing::Saved;

namespace keyloft::cli::testing {

inline constexpr char kDefaultPassword[] = "opensesame\n";
// A password the sealing rule accepts, as one line of input.
inline constexpr char kOwnPassword[] = "Trout-Lamp-Kettle-93\n";
// Another one, that a profile in the usual form holds (so sealing replaces it).
inline constexpr char kReadablePassword[] = "Heron-Mitten-Cobalt-71\n";

// The storage library on the test's folder, as another running instance would use it.
struct DirectStore {
    explicit DirectStore(const std::filesystem::path& root)
        : files(platform::CreateHostFileSystem()),
          settings(platform::CreateSettingsStoreIn(root / "direct-settings")),
          store(host, *files, *settings, clock, root, {}, keyloft::testing::kInteractiveSealing) {
        store.folder().setDatabaseFolder(root / "db");
    }
    keyloft::testing::QuietHost host;
    std::unique_ptr<FileSystem> files;
    std::unique_ptr<SettingsStore> settings;
    SystemClock clock;
    ProfileStore store;
};

class Cli : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(db());
        std::filesystem::create_directories(config());
    }
    std::filesystem::path db() const { return temp_.path() / "db"; }
    std::filesystem::path config() const { return temp_.path() / "config"; }
    std::filesystem::path file(const std::string& profile) const { return db() / (profile + ".dat"); }

    RunResult run(std::vector<std::string> args, const std::string& input = "") {
        args.insert(args.begin(), {"--database", db().string()});
        return RunCli(args, input, config());
    }
    // Fails the test at once when the profile cannot be made: what follows would only fail again.
    void create(const std::string& profile) {
        const RunResult r = run({"create", profile});
        if (r.exitCode != 0) throw std::runtime_error("keyloft-cli create " + profile + " failed: " + r.err);
    }
    // Gives a new profile a logon and a question of its own through the tool, in the usual form:
    // the password kReadablePassword, the question "Town" answered "Nether Wallop".
    void ownLogon(const std::string& profile) {
        const RunResult r = run({"logon", profile, "--unsealed", "--question", "Town"},
                                std::string(kDefaultPassword) + kReadablePassword + kReadablePassword +
                                    "Nether Wallop\nNether Wallop\n");
        if (r.exitCode != 0) throw std::runtime_error("keyloft-cli logon " + profile + " failed: " + r.err);
    }
    // Seals such a profile through the tool: the password that its readable file held is replaced
    // first, by kOwnPassword.
    RunResult sealOwn(const std::string& profile) {
        return run({"seal", profile}, std::string(kReadablePassword) + kOwnPassword + kOwnPassword);
    }
    // Sets the logon through the storage library, as the window's security setup would.
    void setLogon(const std::string& profile, int mode, const std::u16string& user,
                  const std::u16string& password, const std::u16string& pin) {
        DirectStore direct(temp_.path());
        ASSERT_TRUE(direct.store.open().openProfile(Utf8ToUtf16(profile)).loaded());
        ASSERT_TRUE(Saved(ChangeSecurity(direct.store, [&](Profile& p) {
            p.logonMode = mode;
            p.userId = user;
            p.password = password;
            p.pin = pin;
        })));
    }
    nlohmann::json exportJson(const std::string& profile, const std::string& logon = kDefaultPassword) {
        const RunResult r = run({"export", profile, "--format", "json"}, logon);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return nlohmann::json::parse(r.out);
    }

    TempFolder temp_;
};

// Lines of text, each ended with "\n".
inline std::string Lines(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

// One entry as `export --format json` shows it (row numbers are added in order).
struct WantEntry {
    std::string category, description, userCode, password, notes, webSite, email = "", expiry = "";
};

inline nlohmann::json EntriesJson(const std::vector<WantEntry>& wanted) {
    nlohmann::json rows = nlohmann::json::array();
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        const WantEntry& w = wanted[i];
        rows.push_back({{"row", i + 1},
                        {"category", w.category},
                        {"description", w.description},
                        {"userCode", w.userCode},
                        {"password", w.password},
                        {"notes", w.notes},
                        {"expiryDate", w.expiry},
                        {"webSite", w.webSite},
                        {"email", w.email}});
    }
    return rows;
}

// The tool's import of a file, with the logon of a new profile.
class CliImporting : public Cli {
  protected:
    // `format` nullptr: recognised (--format left out).
    RunResult import(const std::string& profile, const char* format, const std::filesystem::path& path,
                     std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"import", profile, Utf8(path)};
        if (format != nullptr) args.insert(args.end(), {"--format", format});
        args.insert(args.end(), extra.begin(), extra.end());
        return run(args, kDefaultPassword);
    }
    std::string categories(const std::string& profile) {
        return run({"categories", profile}, kDefaultPassword).out;
    }
};

}  // namespace keyloft::cli::testing
