#include "store_fixture.h"

#include "crypto/text_cipher.h"
#include "store/text_convert.h"
#include "support/profile_seeding.h"
#include "support/store_answers.h"

namespace keyloft::testing {
namespace {

class FaultyWritable : public WritableFile {
  public:
    FaultyWritable(std::unique_ptr<WritableFile> inner, FaultyFileSystem& owner)
        : inner_(std::move(inner)), owner_(owner) {}
    ErrorInfo writeLine(std::string_view text) override {
        ++lines_;
        owner_.step("write");
        if (owner_.failWriteAtLine != 0 && lines_ == owner_.failWriteAtLine) {
            return ErrorInfo::of(owner_.writeError);
        }
        return inner_->writeLine(text);
    }
    ErrorInfo flush() override {
        owner_.step("flush");
        const ErrorInfo result = inner_->flush();
        if (owner_.failFlush) {
            return ErrorInfo::of(error::kDeviceIo);
        }
        return result;
    }
    std::unique_ptr<WritableFile> release() { return std::move(inner_); }

  private:
    std::unique_ptr<WritableFile> inner_;
    FaultyFileSystem& owner_;
    int lines_ = 0;
};

class FaultyReadable : public ReadableFile {
  public:
    FaultyReadable(std::unique_ptr<ReadableFile> inner, FaultyFileSystem& owner)
        : inner_(std::move(inner)), owner_(owner) {}
    bool readLine(std::string& line, ErrorInfo& error, std::size_t maxLength) override {
        if (!owner_.mayRead()) {
            error = ErrorInfo::of(error::kDeviceIo);
            return false;
        }
        return inner_->readLine(line, error, maxLength);
    }
    ErrorInfo rewind() override { return inner_->rewind(); }
    const ReadableFile* inner() const { return inner_.get(); }

  private:
    std::unique_ptr<ReadableFile> inner_;
    FaultyFileSystem& owner_;
};

const std::u16string kTestTime = u"8.27";

std::string MessagesOf(const RecordingHost& host) {
    std::string text;
    for (const std::u16string& message : host.texts()) {
        text += "[" + Utf16ToUtf8(message) + "] ";
    }
    return text.empty() ? "no message shown" : text;
}

}  // namespace

std::unique_ptr<ReadableFile> FaultyFileSystem::openHeld(const std::filesystem::path& file,
                                                         ErrorInfo& error) {
    holdAttempts.push_back(file);
    if (failOpen && failOpen(file)) {
        error = ErrorInfo::of(openError);
        return nullptr;
    }
    std::unique_ptr<ReadableFile> real = inner_->openHeld(file, error);
    if (!real) {
        return nullptr;
    }
    return std::make_unique<FaultyReadable>(std::move(real), *this);
}

bool FaultyFileSystem::namesOtherFile(const std::filesystem::path& file, const ReadableFile& held) {
    const auto* wrapped = dynamic_cast<const FaultyReadable*>(&held);
    return inner_->namesOtherFile(file, wrapped ? *wrapped->inner() : held);
}

bool FaultyFileSystem::namesHeldFileItself(const std::filesystem::path& file, const ReadableFile& held) {
    const auto* wrapped = dynamic_cast<const FaultyReadable*>(&held);
    return inner_->namesHeldFileItself(file, wrapped ? *wrapped->inner() : held);
}

std::optional<FileStamp> FaultyFileSystem::stampOf(const ReadableFile& held) {
    if (shownStamp) return shownStamp;
    const auto* wrapped = dynamic_cast<const FaultyReadable*>(&held);
    return inner_->stampOf(wrapped ? *wrapped->inner() : held);
}

std::unique_ptr<WritableFile> FaultyFileSystem::createTemporary(const std::filesystem::path& target,
                                                                const ReadableFile* like, ErrorInfo& error) {
    step("create");
    const auto* wrapped = dynamic_cast<const FaultyReadable*>(like);
    std::unique_ptr<WritableFile> real =
        inner_->createTemporary(target, wrapped ? wrapped->inner() : like, error);
    if (!real) {
        return nullptr;
    }
    return std::make_unique<FaultyWritable>(std::move(real), *this);
}

std::unique_ptr<ReadableFile> FaultyFileSystem::install(std::unique_ptr<WritableFile> temporary,
                                                        const std::filesystem::path& target,
                                                        bool replaceExisting, ErrorInfo& error) {
    step("install");
    auto* wrapped = dynamic_cast<FaultyWritable*>(temporary.get());
    std::unique_ptr<WritableFile> real = wrapped ? wrapped->release() : std::move(temporary);
    if (failInstall && failInstall(target)) {
        error = ErrorInfo::of(error::kPermissionDenied);
        return nullptr;
    }
    std::unique_ptr<ReadableFile> held = inner_->install(std::move(real), target, replaceExisting, error);
    if (!held) {
        return nullptr;
    }
    return std::make_unique<FaultyReadable>(std::move(held), *this);
}

Instance::Instance(const std::filesystem::path& databaseFolder,
                   const std::filesystem::path& settingsFolderPath,
                   const std::filesystem::path& applicationFolderPath, platform::HostFileSystemHooks hooks,
                   sealed::Limits sealingLimits) {
    auto faulty = std::make_unique<FaultyFileSystem>(platform::CreateHostFileSystem(std::move(hooks)));
    files = faulty.get();
    filesOwner = std::move(faulty);
    settings = platform::CreateSettingsStoreIn(settingsFolderPath);
    (void)databaseFolder;
    store = std::make_unique<ProfileStore>(host, *filesOwner, *settings, clock, applicationFolderPath,
                                           std::filesystem::path(), sealingLimits);
    // The window closes the held file when it locks the session.
    host.onLock = [this] { store->open().closeHeldFile(); };
}

Instance::~Instance() {
    host.onLock = nullptr;
    host.onWait = nullptr;
    store.reset();
}

StoreTest::StoreTest() {
    database = temp / "db";
    settingsFolder = temp / "config";
    applicationFolder = temp / "app";
    std::filesystem::create_directories(database);
    std::filesystem::create_directories(applicationFolder);
    auto settings = platform::CreateSettingsStoreIn(settingsFolder);
    if (!settings->write(u"Database", database.u16string())) {
        throw StepFailed("the test's settings file cannot be written in " + settingsFolder.string());
    }
}

Instance& StoreTest::startInstance(platform::HostFileSystemHooks hooks, sealed::Limits sealingLimits) {
    instances.push_back(std::make_unique<Instance>(database, settingsFolder, applicationFolder,
                                                   std::move(hooks), sealingLimits));
    Instance& instance = *instances.back();
    instance.store->folder().setDatabaseFolder(instance.store->folder().folderFromSettings());
    return instance;
}

std::filesystem::path StoreTest::profileFile(std::u16string_view name) const {
    return database / std::filesystem::path(std::u16string(name) + u".dat");
}

std::string StoreTest::fileBytes(std::u16string_view name) const {
    return TempFolder::readFile(profileFile(name));
}

std::string StoreTest::releasedFileBytes(std::u16string_view name) {
#ifdef _WIN32
    for (const auto& instance : instances) {
        instance->store->open().closeHeldFile();
    }
#endif
    return fileBytes(name);
}

std::vector<std::string> StoreTest::logLines() const {
    const std::string bytes = TempFolder::readFile(database / "KeyloftErrors.log");
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(bytes.substr(start));
            break;
        }
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

Instance& StoreTest::createAndOpen(std::u16string_view name) {
    Instance& instance = instances.empty() ? startInstance() : *instances.front();
    if (!instance.create(name)) {
        throw StepFailed("creating the profile failed: " + MessagesOf(instance.host));
    }
    if (!instance.open(name).loaded()) {
        throw StepFailed("opening the new profile failed: " + MessagesOf(instance.host));
    }
    instance.host.clear();
    return instance;
}

namespace {

// The loaded profile as `fill` changes it, written over its file by the store's writers and opened.
Instance& WriteAndOpen(Instance& instance, std::u16string_view name,
                       const std::function<void(Profile&)>& fill, bool seal) {
    Profile profile = instance.store->open().profile();
    fill(profile);
    instance.store->open().closeHeldFile();
    WriteProfileFile(instance.store->folder().databaseFolder() / (std::u16string(name) + u".dat"), profile,
                     seal);
    if (!instance.open(name).loaded())
        throw StepFailed("opening the written profile failed: " + MessagesOf(instance.host));
    return instance;
}

}  // namespace

Instance& StoreTest::createWith(std::u16string_view name, const std::function<void(Profile&)>& fill) {
    return WriteAndOpen(createAndOpen(name), name, fill, false);
}

Instance& StoreTest::createSealedWith(std::u16string_view name, const std::function<void(Profile&)>& fill) {
    return WriteAndOpen(createAndOpen(name), name, fill, true);
}

DecodedFile DecodeFileForTest(std::string_view bytes) {
    DecodedFile decoded;
    decoded.lines = SplitFileLines(bytes);
    if (decoded.lines.size() < 2) {
        return decoded;
    }
    decoded.keyText = crypto::TryDecryptText(decoded.lines[0], WidenBytes(decoded.lines[1])).text;
    const std::u16string key = decoded.keyText.substr(0, decoded.keyText.find(u'|'));
    for (std::size_t i = 1; i < decoded.lines.size(); ++i) {
        decoded.plain.push_back(crypto::TryDecryptText(decoded.lines[i], key).text);
    }
    return decoded;
}

std::string EncryptUnderTestKey(std::u16string_view plain) {
    return crypto::TryEncryptText(plain, WidenBytes(MakeProfileKey(kTestTime)));
}

std::vector<std::string> BuildLines(const std::vector<std::u16string>& records, bool trailer) {
    const std::string key = MakeProfileKey(kTestTime);
    std::vector<std::string> lines;
    std::vector<std::string> body;
    for (const std::u16string& record : records) {
        body.push_back(EncryptUnderTestKey(record));
    }
    const std::string keyLine = crypto::TryEncryptText(
        AppendRecordSum(WidenBytes(key)), WidenBytes(body.empty() ? std::string("00") : body[0]));
    lines.push_back(keyLine);
    lines.insert(lines.end(), body.begin(), body.end());
    if (trailer) {
        std::size_t total = 0;
        for (const std::string& line : lines) {
            total += line.size();
        }
        total += 64;  // the trailer itself, for short trailers
        const std::u16string text = u"7|" + Int32Text(static_cast<std::int32_t>(lines.size() + 1)) + u"|" +
                                    Int32Text(static_cast<std::int32_t>(total));
        lines.push_back(EncryptUnderTestKey(text));
    }
    return lines;
}

SaveOutcome Instance::save() {
    const SaveResult result = Answered(*store, host, store->open().save());
    host.carryOut(result.report);
    return result.outcome;
}

SaveOutcome Instance::carryOut(const EditResult& edit) {
    if (!edit.applied()) throw StepFailed("the edit was refused: " + Utf16ToUtf8(edit.refusal.value_or(u"")));
    const SaveResult result = Answered(*store, host, *edit.save);
    host.carryOut(result.report);
    return result.outcome;
}

SaveOutcome Instance::add(std::u16string_view record) { return carryOut(AddEntryRecord(*store, record)); }

OpenResult Instance::open(std::u16string_view name) {
    OpenResult result = Answered(*store, host, store->open().openProfile(name));
    host.carryOut(result.report);
    return result;
}

OpenResult Instance::reload() {
    OpenResult result = Answered(*store, host, store->open().reload());
    host.carryOut(result.report);
    return result;
}

CreateResult Instance::create(std::u16string_view name) {
    CreateResult result = CreateAnswered(*store, host, store->open().createProfile(name));
    host.carryOut(result.report);
    return result;
}

std::vector<std::u16string> Instance::list() { return ListAnswered(*store, host); }

DeleteResult Instance::remove(std::u16string_view name) {
    DeleteResult result = DeleteAnswered(*store, host, name);
    host.carryOut(result.report);
    return result;
}

}  // namespace keyloft::testing
