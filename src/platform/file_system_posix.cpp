// Profile files on POSIX systems. The hold is an flock() lock, which belongs to one open file
// description: two FileSystem objects in one process therefore see each other's holds exactly as
// two processes do. Each object remembers the files it holds itself, so that it can still rename
// or replace them.
//
// A lock is only worth something while the path still names the locked file: a save replaces the
// profile by renaming a new file over it, and an instance that opened the old file just before
// that would otherwise hold a file nobody will ever read again. So every hold is checked against
// the name once taken, and taken again when the name has moved on.
//
// Every file is reached by its name in its folder's descriptor (file_handles_posix.h): a save
// creates, fills and renames its temporary file in the folder where the held profile was found,
// gives it the mode and group that the held descriptor shows, and renames it over the profile's
// name only while that name is still the held file. Another user of a shared folder may rename
// anything over anything between two of these calls; whatever they put there is neither written
// through nor given another mode, and is left where it is.

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <utility>

#include "platform/error_mapping.h"
#include "platform/file_handles_posix.h"
#include "platform/open_files_posix.h"
#include "platform/platform_core.h"

namespace keyloft::platform {
namespace {

using namespace posix;

class PosixFileSystem final : public FileSystem {
  public:
    explicit PosixFileSystem(HostFileSystemHooks hooks) : hooks_(std::move(hooks)) {}

    std::unique_ptr<ReadableFile> openHeld(const std::filesystem::path& file, ErrorInfo& error) override {
        const Folder folder = OpenFolderOf(file, error);
        if (!folder) {
            return nullptr;
        }
        const std::string name = NameOf(file);
        for (int attempt = 0; attempt < kHoldAttempts; ++attempt) {
            bool throughLink = false;
            const Place place = Resolve(folder, name, throughLink, error);
            if (error.failed()) {
                return nullptr;
            }
            Descriptor fd = OpenRegularAt(place.fd(), place.name, error);
            if (error.number == error::kTooManyLinks) {
                continue;  // a link put in its place since: looked at again
            }
            FileId id;
            if (fd.get() < 0) {
                return nullptr;
            }
            if (!IdOf(fd.get(), id)) {
                error = ErrorFromErrno(errno);
                return nullptr;
            }
            if (hooks_.betweenOpenAndHold) {
                hooks_.betweenOpenAndHold(file);
            }
            if (!TryHold(fd.get())) {
                error = ErrorInfo::heldByOther();
                return nullptr;
            }
            if (leadsTo(folder, name, id)) {
                error = ErrorInfo::none();
                return std::make_unique<PosixReadableFile>(fd.release(), id, place, throughLink, registry_);
            }
            // Replaced (or removed) while we were taking it: let go and look again.
        }
        error = ErrorInfo::heldByOther();
        return nullptr;
    }

    bool namesOtherFile(const std::filesystem::path& file, const ReadableFile& held) override {
        const auto* open = dynamic_cast<const PosixReadableFile*>(&held);
        ErrorInfo error;
        const Folder folder = open != nullptr ? OpenFolderOf(file, error) : nullptr;
        if (!folder) {
            return false;
        }
        bool throughLink = false;
        const Place place = Resolve(folder, NameOf(file), throughLink, error);
        if (error.failed()) {
            // Nothing there (removed) names no other file; a link that cannot be followed does.
            return error.number != error::kFileNotFound;
        }
        struct stat st {};
        return StatAt(place.fd(), place.name, st) && IdOf(st) != open->id();
    }

    std::unique_ptr<WritableFile> createTemporary(const std::filesystem::path& target,
                                                  const ReadableFile* like, ErrorInfo& error) override {
        Place place;
        SaveTarget saveTarget;
        error = ErrorInfo::none();
        const auto* model = dynamic_cast<const PosixReadableFile*>(like);
        if (like != nullptr && model == nullptr) {
            error = ErrorInfo::of(error::kBadFileNameOrNumber);
            return nullptr;
        }
        if (model != nullptr) {
            // Beside the file it replaces, in the folder that file was found in: never through a
            // path again, which another user could have made lead elsewhere meanwhile.
            place = model->place();
            saveTarget = {place.name, true, model->id(), model->throughLink()};
            struct stat st {};
            if (!NamesAt(place.fd(), place.name, model->id())) {
                if (StatAt(place.fd(), place.name, st)) {
                    error = ErrorInfo::replacedMeanwhile();
                    return nullptr;
                }
                saveTarget.replaces.reset();  // removed under the hold: the save puts it back
            }
            if (::fstat(model->descriptor(), &st) != 0 || !MayWrite(st)) {
                error = ErrorInfo::of(error::kReadOnlyFile);
                return nullptr;
            }
        } else {
            place.folder = OpenFolderOf(target, error);
            if (!place.folder) {
                return nullptr;
            }
            place.name = NameOf(target);
            saveTarget.name = place.name;
        }
        const std::string prefix = TemporaryPrefix(saveTarget.name);
        for (int attempt = 0; attempt < kHoldAttempts; ++attempt) {
            const std::string name = prefix + RandomTag() + kTemporarySuffix;
            Descriptor fd(OpenAtNoInterrupt(place.fd(), name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW,
                                            S_IRUSR | S_IWUSR));
            if (fd.get() < 0) {
                if (errno == EEXIST) {
                    continue;
                }
                error = ErrorFromErrno(errno);
                return nullptr;
            }
            FileId id;
            if (!IdOf(fd.get(), id) || !TryHold(fd.get()) || !NamesAt(place.fd(), name, id)) {
                continue;  // someone took the name from under us
            }
            auto file = std::make_unique<PosixTemporaryFile>(fd.release(), id, Place{place.folder, name},
                                                             saveTarget, FolderOf(target) / name, registry_,
                                                             hooks_.onDurableStep);
            error = takeOver(*file, model);
            if (error.failed()) {
                return nullptr;
            }
            return file;
        }
        error = ErrorInfo::of(error::kPathFileAccess);
        return nullptr;
    }

    std::unique_ptr<ReadableFile> install(std::unique_ptr<WritableFile> temporary,
                                          const std::filesystem::path& target, bool replaceExisting,
                                          ErrorInfo& error) override {
        auto* file = dynamic_cast<PosixTemporaryFile*>(temporary.get());
        if (file == nullptr) {
            error = ErrorInfo::of(error::kBadFileNameOrNumber);
            return nullptr;
        }
        error = file->writeBuffer();
        if (error.failed()) {
            return nullptr;
        }
        const Place& place = file->place();
        const SaveTarget& to = file->target();
        // A rename replaces the name itself and never writes through a link found there. Only the
        // file the save started from is replaced: anything else found at its name now (another
        // program's file, a link) was put there meanwhile and stays. A new profile, and a profile
        // removed under its hold, take a free name only.
        struct stat st {};
        const bool taken = StatAt(place.fd(), to.name, st);
        const bool replaces =
            replaceExisting && taken && (!to.ofHeldFile || (to.replaces && IdOf(st) == *to.replaces));
        if (replaceExisting && to.ofHeldFile && taken && !replaces) {
            error = ErrorInfo::replacedMeanwhile();
            return nullptr;  // the temporary file goes with `temporary`
        }
        const int rc = replaces
                           ? ::renameat(place.fd(), place.name.c_str(), place.fd(), to.name.c_str())
                           : RenameNoReplaceAt(place.fd(), place.name.c_str(), place.fd(), to.name.c_str());
        if (rc != 0) {
            const bool meanwhile = replaceExisting && to.ofHeldFile && errno == EEXIST;
            error = meanwhile ? ErrorInfo::replacedMeanwhile() : ErrorFromErrno(errno);
            return nullptr;
        }
        Report(hooks_.onDurableStep, "rename", FolderOf(target) / to.name);
        const FileId id = file->id();
        const int fd = file->release();
        auto held = std::make_unique<PosixReadableFile>(fd, id, Place{place.folder, to.name}, to.throughLink,
                                                        registry_);
        temporary.reset();
        error = held->rewind();
        if (error.failed()) {
            return nullptr;
        }
        return held;
    }

    ErrorInfo flushFolder(const std::filesystem::path& file) override {
        ErrorInfo error;
        const Folder folder = OpenFolderOf(file, error);
        if (!folder) {
            return error;
        }
        bool throughLink = false;
        Place place = Resolve(folder, NameOf(file), throughLink, error);
        if (error.failed()) {
            place.folder = folder;
        }
        return FlushFolder(place.fd(), FolderOf(file), hooks_.onDurableStep);
    }

    std::vector<std::filesystem::path> removeLeftovers(const std::filesystem::path& target) override {
        std::vector<std::filesystem::path> removed;
        ErrorInfo error;
        const Folder folder = OpenFolderOf(target, error);
        if (!folder) {
            return removed;
        }
        bool throughLink = false;
        Place place = Resolve(folder, NameOf(target), throughLink, error);
        if (error.failed()) {
            if (throughLink || error.number != error::kFileNotFound) {
                return removed;  // nowhere this user's saves could have left anything
            }
            place = {folder, NameOf(target)};
        }
        const std::string prefix = TemporaryPrefix(place.name);
        std::vector<std::string> candidates;
        for (std::string& name : namesIn(place.fd())) {
            if (name.size() > prefix.size() + 4 && name.compare(0, prefix.size(), prefix) == 0 &&
                name.compare(name.size() - 4, 4, kTemporarySuffix) == 0) {
                candidates.push_back(std::move(name));
            }
        }
        for (const std::string& name : candidates) {
            ErrorInfo ignored;
            Descriptor fd = OpenRegularAt(place.fd(), name, ignored);
            FileId id;
            struct stat st {};
            if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !MayWrite(st) || !IdOf(fd.get(), id) ||
                registry_->holds(id) || !TryHold(fd.get()) || !NamesAt(place.fd(), name, id)) {
                continue;  // a save under way, or not ours to touch
            }
            if (::unlinkat(place.fd(), name.c_str(), 0) == 0) {
                removed.emplace_back(name);
            }
        }
        return removed;
    }

    ErrorInfo rename(const std::filesystem::path& from, const std::filesystem::path& to,
                     bool replaceExisting) override {
        ErrorInfo error;
        const Folder fromFolder = OpenFolderOf(from, error);
        if (!fromFolder) {
            return error;
        }
        const Folder toFolder = FolderOf(from) == FolderOf(to) ? fromFolder : OpenFolderOf(to, error);
        if (!toFolder) {
            return error;
        }
        const std::string fromName = NameOf(from);
        const std::string toName = NameOf(to);
        Descriptor probeFrom;
        Descriptor probeTo;
        if (ErrorInfo held = probe(from, fromFolder, fromName, probeFrom, false); held.failed()) {
            return held;
        }
        struct stat st {};
        if (replaceExisting && StatAt(toFolder->get(), toName, st)) {
            if (ErrorInfo held = probe(to, toFolder, toName, probeTo, true); held.failed()) {
                return held;
            }
        }
        const int rc =
            replaceExisting
                ? ::renameat(fromFolder->get(), fromName.c_str(), toFolder->get(), toName.c_str())
                : RenameNoReplaceAt(fromFolder->get(), fromName.c_str(), toFolder->get(), toName.c_str());
        if (rc != 0) {
            return ErrorFromErrno(errno);
        }
        return ErrorInfo::none();
    }

    ErrorInfo remove(const std::filesystem::path& file) override {
        ErrorInfo error;
        const Folder folder = OpenFolderOf(file, error);
        if (!folder) {
            return error;
        }
        const std::string name = NameOf(file);
        Descriptor probeFile;
        if (ErrorInfo held = probe(file, folder, name, probeFile, true); held.failed()) {
            return held;
        }
        // The name goes (for a profile that is a link, the link): never a file elsewhere.
        if (::unlinkat(folder->get(), name.c_str(), 0) != 0) {
            return ErrorFromErrno(errno);
        }
        return ErrorInfo::none();
    }

    bool exists(const std::filesystem::path& file) override {
        struct stat st {};
        return ::stat(file.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
    }

    bool nameTaken(const std::filesystem::path& file) override {
        struct stat st {};
        return ::lstat(file.c_str(), &st) == 0;
    }

    std::vector<std::filesystem::path> listProfileFiles(const std::filesystem::path& folderPath) override {
        std::vector<std::filesystem::path> names;
        ErrorInfo error;
        const Folder folder = OpenFolder(folderPath.empty() ? std::filesystem::path("/") : folderPath, error);
        if (!folder) {
            return names;
        }
        std::vector<std::string> found;
        for (std::string& name : namesIn(folder->get())) {
            struct stat st {};
            if (name.size() < 4 || name.compare(name.size() - 4, 4, ".dat") != 0 ||
                ::fstatat(folder->get(), name.c_str(), &st, 0) != 0 || !S_ISREG(st.st_mode)) {
                continue;
            }
            found.push_back(std::move(name));
        }
        std::sort(found.begin(), found.end());
        names.reserve(found.size());
        for (std::string& name : found) {
            names.emplace_back(std::move(name));
        }
        return names;
    }

    std::vector<FolderEntry> listDatNames(const std::filesystem::path& folder) override {
        std::vector<FolderEntry> entries;
        DIR* dir = ::opendir(folder.empty() ? "/" : folder.c_str());
        if (dir == nullptr) {
            return entries;
        }
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name(entry->d_name);
            struct stat st {};
            if (name.size() < 4 || name.substr(name.size() - 4) != ".dat" ||
                ::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                continue;
            }
            const EntryKind kind = S_ISREG(st.st_mode)   ? EntryKind::RegularFile
                                   : S_ISLNK(st.st_mode) ? EntryKind::SymbolicLink
                                                         : EntryKind::Other;
            entries.push_back(FolderEntry{std::string(name), kind});
        }
        ::closedir(dir);
        std::sort(entries.begin(), entries.end(),
                  [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
        return entries;
    }

    bool namesHeldFileItself(const std::filesystem::path& file, const ReadableFile& held) override {
        const auto* open = dynamic_cast<const PosixReadableFile*>(&held);
        struct stat st {};
        return open != nullptr && ::lstat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
               FileId{st.st_dev, st.st_ino} == open->id();
    }

    std::optional<FileStamp> stampOf(const ReadableFile& held) override {
        const auto* open = dynamic_cast<const PosixReadableFile*>(&held);
        struct stat st {};
        timespec now{};
        if (open == nullptr || ::fstat(open->descriptor(), &st) != 0 ||
            ::clock_gettime(CLOCK_REALTIME, &now) != 0) {
            return std::nullopt;
        }
        constexpr std::int64_t kSecond = 1'000'000'000;
        const auto nanoseconds = [](const timespec& t) {
            return std::int64_t{t.tv_sec} * kSecond + t.tv_nsec;
        };
        return FileStamp{static_cast<std::uint64_t>(st.st_dev),
                         static_cast<std::uint64_t>(st.st_ino),
                         static_cast<std::uint64_t>(st.st_size),
                         nanoseconds(st.st_mtim),
                         nanoseconds(st.st_ctim),
                         nanoseconds(now),
                         kSecond};
    }

    bool appendText(const std::filesystem::path& file, std::string_view text) override {
        // Never through a link, never waiting for a pipe's reader, never a terminal.
        constexpr int kFlags = O_WRONLY | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
        ErrorInfo error;
        const Folder folder = OpenFolderOf(file, error);
        if (!folder) {
            return false;
        }
        const std::string name = NameOf(file);
        Descriptor fd(OpenAtNoInterrupt(folder->get(), name.c_str(), kFlags));
        if (fd.get() < 0 && errno == ENOENT) {
            // First entry: a shared (group-writable) folder gets a log its group can write to.
            struct stat st {};
            const bool shared = ::fstat(folder->get(), &st) == 0 && (st.st_mode & S_IWGRP) != 0;
            const mode_t mode = shared ? (S_IRUSR | S_IWUSR | S_IRGRP | S_IWGRP) : (S_IRUSR | S_IWUSR);
            fd = Descriptor(OpenAtNoInterrupt(folder->get(), name.c_str(), kFlags | O_CREAT | O_EXCL, mode));
            if (fd.get() >= 0) {
                if (shared && ::fchown(fd.get(), static_cast<uid_t>(-1), st.st_gid) != 0) {
                    // Not a member of the folder's group: the log keeps the user's own group.
                }
                (void)::fchmod(fd.get(), mode);
            } else if (errno == EEXIST) {
                fd = Descriptor(OpenAtNoInterrupt(folder->get(), name.c_str(), kFlags));
            }
        }
        struct stat st {};
        // A second name (a hard link) could be another user's file: only a log of its own is written.
        if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1) {
            return false;
        }
        ssize_t n;
        do {
            n = ::write(fd.get(), text.data(), text.size());
        } while (n < 0 && errno == EINTR);
        return n == static_cast<ssize_t>(text.size());
    }

  private:
    // True when `name` in `folder` leads (through a link this user may follow) to the file `id`.
    static bool leadsTo(const Folder& folder, const std::string& name, FileId id) {
        ErrorInfo error;
        bool throughLink = false;
        const Place place = Resolve(folder, name, throughLink, error);
        return !error.failed() && NamesAt(place.fd(), place.name, id);
    }

    // The names in an open folder, "." and ".." left out.
    static std::vector<std::string> namesIn(int folder) {
        std::vector<std::string> names;
        // A descriptor of its own, so that the listing starts at the first entry.
        const int fd = OpenAtNoInterrupt(folder, ".", O_RDONLY | O_DIRECTORY);
        DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
        if (dir == nullptr) {
            if (fd >= 0) {
                ::close(fd);
            }
            return names;
        }
        while (const dirent* entry = ::readdir(dir)) {
            const std::string_view name(entry->d_name);
            if (name != "." && name != "..") {
                names.emplace_back(name);
            }
        }
        ::closedir(dir);
        return names;
    }

    // Makes sure no other instance holds the file `name` in `folder` leads to (unless this one
    // does), and, with `mayChange`, that this user may change it: takes a passing hold into
    // `probe`, which keeps others out until the operation is done. As in openHeld the hold counts
    // only when the name still leads to the file it was taken on: a file that another instance's
    // save put in place meanwhile is held by that instance and must not be the one renamed or
    // removed.
    ErrorInfo probe(const std::filesystem::path& file, const Folder& folder, const std::string& name,
                    Descriptor& probe, bool mayChange) const {
        for (int attempt = 0; attempt < kHoldAttempts; ++attempt) {
            ErrorInfo error;
            bool throughLink = false;
            const Place place = Resolve(folder, name, throughLink, error);
            if (error.failed()) {
                return error;
            }
            probe = OpenRegularAt(place.fd(), place.name, error);
            struct stat st {};
            if (probe.get() < 0) {
                return error;
            }
            if (::fstat(probe.get(), &st) != 0) {
                return ErrorFromErrno(errno);
            }
            if (mayChange && !MayWrite(st)) {
                return ErrorInfo::of(error::kReadOnlyFile);
            }
            const FileId id = IdOf(st);
            if (registry_->holds(id)) {
                probe.reset();
                return ErrorInfo::none();
            }
            if (hooks_.betweenOpenAndHold) {
                hooks_.betweenOpenAndHold(file);
            }
            if (!TryHold(probe.get())) {
                return ErrorInfo::heldByOther();
            }
            if (leadsTo(folder, name, id)) {
                return ErrorInfo::none();
            }
        }
        return ErrorInfo::heldByOther();
    }

    // Gives a new temporary file what the file it replaces has, as the held descriptor of that
    // file shows it (never through a path): permissions, group and, for a process that may do so,
    // owner. Only the descriptor of the file this save created is changed.
    static ErrorInfo takeOver(PosixTemporaryFile& file, const PosixReadableFile* model) {
        mode_t mode = S_IRUSR | S_IWUSR;
        struct stat st {};
        if (model != nullptr && ::fstat(model->descriptor(), &st) == 0) {
            mode = st.st_mode & 07777;
            const uid_t owner = ::geteuid() == 0 ? st.st_uid : static_cast<uid_t>(-1);
            if (::fchown(file.descriptor(), owner, st.st_gid) != 0 && errno != EPERM) {
                return ErrorFromErrno(errno);
            }
        }
        // After the change of owner, which may clear the set-id bits.
        if (::fchmod(file.descriptor(), mode) != 0) {
            return ErrorFromErrno(errno);
        }
        return ErrorInfo::none();
    }

    HostFileSystemHooks hooks_;
    std::shared_ptr<HoldRegistry> registry_ = std::make_shared<HoldRegistry>();
};

}  // namespace

std::unique_ptr<FileSystem> CreateHostFileSystem(HostFileSystemHooks hooks) {
    return std::make_unique<PosixFileSystem>(std::move(hooks));
}

}  // namespace keyloft::platform
