#pragma once
// Running instances of the storage on one temporary database folder, and a file system that fails
// where a test asks it to.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/platform_core.h"
#include "store/file_system.h"
#include "store/profile_codec.h"
#include "store/profile_store.h"
#include "support/fake_clock.h"
#include "support/profile_seeding.h"
#include "support/quick_sealing.h"
#include "support/recording_host.h"
#include "support/temp_folder.h"

namespace keyloft::testing {

// Wraps a real FileSystem; each failure can be switched on by the test, and every step of a save
// is recorded in order.
class FaultyFileSystem : public FileSystem {
  public:
    explicit FaultyFileSystem(std::unique_ptr<FileSystem> inner) : inner_(std::move(inner)) {}

    int failWriteAtLine = 0;  // the n-th written line (1-based, counted per file) fails
    int writeError = error::kDiskFull;
    bool failFlush = false;       // flushing a written file fails with 57
    int readsBeforeFailure = -1;  // when >= 0: lines that may still be read before reads fail with 57
    std::function<bool(const std::filesystem::path&)> failOpen;  // openHeld fails with openError when true
    int openError = error::kFileNotFound;
    std::function<bool(const std::filesystem::path&)>
        failInstall;                                  // install fails with 70 (not in use) when true
    std::optional<FileStamp> shownStamp;              // when set, stampOf shows it for every file
    std::vector<std::filesystem::path> holdAttempts;  // every openHeld, in order
    // The steps of saves, in order: "create", "write", "flush", "install", "flush folder".
    std::vector<std::string> steps;
    // Runs at each step, before the real file system takes it: another user acts there.
    std::function<void(const std::string&)> beforeStep;
    void step(const char* name) {
        steps.push_back(name);
        if (beforeStep) beforeStep(name);
    }

    std::unique_ptr<ReadableFile> openHeld(const std::filesystem::path& file, ErrorInfo& error) override;
    bool namesOtherFile(const std::filesystem::path& file, const ReadableFile& held) override;
    std::unique_ptr<WritableFile> createTemporary(const std::filesystem::path& target,
                                                  const ReadableFile* like, ErrorInfo& error) override;
    std::unique_ptr<ReadableFile> install(std::unique_ptr<WritableFile> temporary,
                                          const std::filesystem::path& target, bool replaceExisting,
                                          ErrorInfo& error) override;
    ErrorInfo flushFolder(const std::filesystem::path& file) override {
        step("flush folder");
        return inner_->flushFolder(file);
    }
    std::vector<std::filesystem::path> removeLeftovers(const std::filesystem::path& target) override {
        return inner_->removeLeftovers(target);
    }
    ErrorInfo rename(const std::filesystem::path& from, const std::filesystem::path& to,
                     bool replaceExisting) override {
        return inner_->rename(from, to, replaceExisting);
    }
    ErrorInfo remove(const std::filesystem::path& file) override { return inner_->remove(file); }
    bool exists(const std::filesystem::path& file) override { return inner_->exists(file); }
    bool nameTaken(const std::filesystem::path& file) override { return inner_->nameTaken(file); }
    std::vector<std::filesystem::path> listProfileFiles(const std::filesystem::path& folder) override {
        return inner_->listProfileFiles(folder);
    }
    std::vector<FolderEntry> listDatNames(const std::filesystem::path& folder) override {
        return inner_->listDatNames(folder);
    }
    bool namesHeldFileItself(const std::filesystem::path& file, const ReadableFile& held) override;
    std::optional<FileStamp> stampOf(const ReadableFile& held) override;
    bool appendText(const std::filesystem::path& file, std::string_view text) override {
        return inner_->appendText(file, text);
    }

    // A read of a wrapped file: false when reads are to fail from now on.
    bool mayRead() {
        if (readsBeforeFailure < 0) {
            return true;
        }
        if (readsBeforeFailure == 0) {
            return false;
        }
        --readsBeforeFailure;
        return true;
    }

  private:
    std::unique_ptr<FileSystem> inner_;
};

// One running copy of the program: its host, file system, settings and store.
struct Instance {
    Instance(const std::filesystem::path& databaseFolder, const std::filesystem::path& settingsFolder,
             const std::filesystem::path& applicationFolder, platform::HostFileSystemHooks hooks = {},
             sealed::Limits sealingLimits = kQuickSealing);
    // The store goes first, and nothing it does on its way out reaches back into a half-gone
    // instance through the host's hooks.
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    // The store's operations, with what each reports carried out on the host as the window does.
    SaveOutcome save();
    // What an edit's save reported, carried out; StepFailed when a rule refused the edit.
    SaveOutcome carryOut(const EditResult& edit);
    // Adds the entry of a record text through the store's edit.
    SaveOutcome add(std::u16string_view record);
    OpenResult open(std::u16string_view name);
    OpenResult reload();
    CreateResult create(std::u16string_view name);
    DeleteResult remove(std::u16string_view name);
    // listProfiles with "Profiles Missing" answered from the host's queue.
    std::vector<std::u16string> list();

    RecordingHost host;
    FaultyFileSystem* files = nullptr;  // owned by filesOwner
    std::unique_ptr<FileSystem> filesOwner;
    std::unique_ptr<SettingsStore> settings;
    FakeClock clock;
    std::unique_ptr<ProfileStore> store;
};

// Thrown by a fixture step that failed: the test ends there with one failure that names the step,
// instead of going on with state the step never set.
class StepFailed : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class StoreTest : public ::testing::Test {
  protected:
    StoreTest();

    // A new instance on the shared database folder; its settings name that folder.
    Instance& startInstance(platform::HostFileSystemHooks hooks = {},
                            sealed::Limits sealingLimits = kQuickSealing);
    std::filesystem::path profileFile(std::u16string_view name) const;
    std::string fileBytes(std::u16string_view name) const;
    // The bytes of a profile file that an instance may hold, as another program reads them.
    // Windows lets no other program read a held file (the hold is a share mode), so there every
    // instance lets go of its files first; elsewhere the holds stay as they are.
    std::string releasedFileBytes(std::u16string_view name);
    std::vector<std::string> logLines() const;
    // Creates a profile through the first instance and opens it there (StepFailed when it cannot).
    Instance& createAndOpen(std::u16string_view name);
    // The same, with the profile file then written by the store's writer from the new profile as
    // `fill` changes it, and opened again (not logged on).
    Instance& createWith(std::u16string_view name, const std::function<void(Profile&)>& fill);
    // The same, with the file written sealed (the answer slots of the sealing rule, quickest
    // limits): its password was never in a readable file.
    Instance& createSealedWith(std::u16string_view name, const std::function<void(Profile&)>& fill);

    TempFolder temp;
    std::filesystem::path database;
    std::filesystem::path settingsFolder;
    std::filesystem::path applicationFolder;
    std::vector<std::unique_ptr<Instance>> instances;
};

// Profile key, plain texts and lengths of a file's lines, read without the store.
struct DecodedFile {
    std::vector<std::string> lines;
    std::u16string keyText;             // plain text of the key line
    std::vector<std::u16string> plain;  // plain text of each line from line 2 on
};
DecodedFile DecodeFileForTest(std::string_view bytes);

// Builds file lines from plain record texts under a fixed key, as a writer would (test files with
// deliberate faults). Records get their sums unless `withSums` is false; the trailer is appended
// when `trailer` is true.
std::vector<std::string> BuildLines(const std::vector<std::u16string>& records, bool trailer = true);
std::string EncryptUnderTestKey(std::u16string_view plain);

}  // namespace keyloft::testing
