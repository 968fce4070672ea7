#pragma once
// The seam over profile files: every byte the storage reads from or writes to the database folder
// goes through here, so tests can wrap the real implementation and make any step fail or record
// the order of the steps.
//
// The hold: a file opened by openHeld, or installed by install, is held until its object is
// destroyed. While one FileSystem object holds a file, every other FileSystem object (in this
// process or another) fails to hold, replace or remove it with error 70 and `inUse` set; the
// holding object itself may still replace or rename it. Use one FileSystem object per running
// instance.
//
// A save never writes into the profile file: it writes a temporary file beside it
// (createTemporary), flushes it (WritableFile::flush), puts it in place with one rename
// (install) and flushes the folder (flushFolder). At every instant the profile exists under its
// own name with its old or its new content.
//
// A shared folder is written by other users while a save runs. Every file is reached by its name in
// the folder it was found in, never again through a path and never through a link found there
// later: a save writes only the temporary file it created, gives it the mode and group of the held
// file as the held file itself shows them, and renames it over the profile only while the
// profile's name still names the held file. Whatever another user put at that name meanwhile (a
// file, a link to a file of this user's anywhere) is neither written to nor changed, and the save
// fails with `replaced` set. A file whose permissions do not let this user change it (0444, another
// user's) is neither replaced nor removed: 84.
//
// A profile that is a symbolic link is followed only where nobody else can change where it leads:
// the folder holding the link, and the folder it leads to, owned by this user (or the superuser)
// and writable by nobody else. Elsewhere it is refused with 83 (kUnsafeLink). A link that leads
// nowhere is not followed: nothing is ever created at its target.
//
// Only regular files are profiles: a folder, a device, a pipe or a socket of a profile's name is
// refused (77) before anything is read from it, and no call waits for one.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/error_codes.h"

namespace keyloft {

class ReadableFile {
  public:
    virtual ~ReadableFile() = default;
    // The next line without its ending (carriage return, line feed, or both). False at the end of
    // the file, and on a failure, which is then described in `error`. A line longer than
    // `maxLength` bytes is a failure (62, "Input past end of file"); the part read is dropped.
    virtual bool readLine(std::string& line, ErrorInfo& error, std::size_t maxLength = kUnlimited) = 0;
    // Back to the first line: the version check and a reload read the held file again.
    virtual ErrorInfo rewind() = 0;

    static constexpr std::size_t kUnlimited = static_cast<std::size_t>(-1);
};

class WritableFile {
  public:
    virtual ~WritableFile() = default;
    // Writes text followed by carriage return and line feed. The failure may show only at a later
    // line or at flush (writes are buffered).
    virtual ErrorInfo writeLine(std::string_view text) = 0;
    // Writes out what is buffered and flushes the file's content to the disk.
    virtual ErrorInfo flush() = 0;
};

// What bears a name in a folder, as the name itself shows it (a symbolic link is not followed).
enum class EntryKind { RegularFile, SymbolicLink, Other };  // Other: a folder, device, pipe or socket
struct FolderEntry {
    std::filesystem::path name;  // without folder
    EntryKind kind = EntryKind::Other;
};

// What the system shows of an open file without reading it: which file it is, its size and when
// its content and its attributes were last changed, and when the stamp was taken (times in
// nanoseconds since 1970 on POSIX systems, in 100-nanosecond steps since 1601 on Windows).
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0;
    std::int64_t changed = 0;  // a write or a change of attributes sets it, and nobody can set it back
    std::int64_t taken = 0;    // the system's clock when the stamp was taken, in the same unit
    std::int64_t second = 0;   // one second in that unit
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // Opens an existing regular file for reading and holds it. A hold counts only when, once taken,
    // the path still names the held file; a file replaced meanwhile is let go and the path taken
    // again. Another instance's hold fails with 70 and `inUse`; anything but a regular file with 77.
    virtual std::unique_ptr<ReadableFile> openHeld(const std::filesystem::path& file, ErrorInfo& error) = 0;

    // True when `file` now names a file other than the one `held` has open: something replaced it
    // after it was held (another program, a sync engine, a restore, `mv`, a link put in its place,
    // or a link that may no longer be followed). False when it names `held`, and when it names
    // nothing (the file was removed).
    virtual bool namesOtherFile(const std::filesystem::path& file, const ReadableFile& held) = 0;

    // Creates a new, empty temporary file, held from the moment it exists and readable and writable
    // by its owner only: beside `like` when it is given (the held file that the temporary file will
    // replace, in the folder it was found in), else in the folder of `target` (which need not
    // exist). It gets `like`'s permissions, group and, where the system allows, owner. Fails with
    // 84 when `like`'s permissions do not let this user change it, and with `replaced` when its
    // name names another file now. Destroying the object before install removes the file.
    virtual std::unique_ptr<WritableFile> createTemporary(const std::filesystem::path& target,
                                                          const ReadableFile* like, ErrorInfo& error) = 0;

    // Puts a flushed temporary file in place of `target` with one rename: of the file it was made
    // to replace (createTemporary's `like`), and only while the name still names that file (else
    // it fails with `replaced` set). With `replaceExisting` false it fails with 58 when anything
    // bears the name `target` (a new profile), a link that leads nowhere included.
    // On success the new file stays held: the result holds it, positioned at its first line. On
    // failure the temporary file is removed and `target` is as it was.
    virtual std::unique_ptr<ReadableFile> install(std::unique_ptr<WritableFile> temporary,
                                                  const std::filesystem::path& target, bool replaceExisting,
                                                  ErrorInfo& error) = 0;

    // Flushes the entries of the folder that holds `file` (after install) to the disk.
    virtual ErrorInfo flushFolder(const std::filesystem::path& file) = 0;

    // Removes the temporary files that interrupted saves of `target` left behind and that no
    // instance holds. Returns their names (without folder).
    virtual std::vector<std::filesystem::path> removeLeftovers(const std::filesystem::path& target) = 0;

    // Renames `from` to `to`. Fails with 58 when `to` exists, unless `replaceExisting`; fails with
    // 70 and `inUse` when another instance holds `from` (or, when replacing, `to`), and with 84 when
    // it would replace a file this user may not change.
    virtual ErrorInfo rename(const std::filesystem::path& from, const std::filesystem::path& to,
                             bool replaceExisting) = 0;
    // Deletes a regular file (77 for anything else; for a link this user may follow, the link).
    // Fails with 70 and `inUse` when another instance holds the file, with 84 when this user may
    // not change it. Like openHeld it takes a passing hold and checks that the path still
    // names the file it holds, so a file that another instance put in place meanwhile (and holds)
    // is never the one removed.
    virtual ErrorInfo remove(const std::filesystem::path& file) = 0;
    // True when a file (not a folder) of that name exists.
    virtual bool exists(const std::filesystem::path& file) = 0;
    // True when anything at all bears that name: a file, a folder, a device, a pipe, a symbolic
    // link (even one that leads nowhere).
    virtual bool nameTaken(const std::filesystem::path& file) = 0;
    // Names (without folder) of the regular files in `folder` whose name ends in ".dat", sorted by
    // name. Empty when the folder is missing or unreadable.
    virtual std::vector<std::filesystem::path> listProfileFiles(const std::filesystem::path& folder) = 0;
    // Everything in `folder` whose name ends in ".dat", sorted by name, each with what the name
    // itself bears (links not followed): the names of conflict copies are judged by it before any
    // copy is read. Empty when the folder is missing or unreadable.
    virtual std::vector<FolderEntry> listDatNames(const std::filesystem::path& folder) = 0;
    // True when `file` names, without a symbolic link on the way, a regular file that is the very
    // file `held` has open: checked on the open file, after it was opened by name.
    virtual bool namesHeldFileItself(const std::filesystem::path& file, const ReadableFile& held) = 0;
    // The stamp of a file that `held` has open, from the open file itself; nullopt when the
    // system cannot tell.
    virtual std::optional<FileStamp> stampOf(const ReadableFile& held) = 0;
    // Appends the text with one write, creating the file when missing: with the folder's group and
    // writable by that group when the folder is group-writable (a shared folder), else readable
    // and writable by its owner only. Only a regular file with no other name is written to, never
    // through a symbolic link, and the call never waits (a pipe or device is left alone). False
    // when nothing was written.
    virtual bool appendText(const std::filesystem::path& file, std::string_view text) = 0;
};

}  // namespace keyloft
