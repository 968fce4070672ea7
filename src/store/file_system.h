#pragma once
// The seam over profile files: every byte the storage reads from or writes to the database folder
// goes through here, so tests can wrap the real implementation and make any step fail.
//
// The hold: a file opened by openHeld or createHeld is held until its object is destroyed. While
// one FileSystem object holds a file, every other FileSystem object (in this process or another)
// fails to open, rename or remove it with error 70; the holding object itself may still rename it.
// Use one FileSystem object per running instance.

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/error_codes.h"

namespace keyloft {

class ReadableFile {
public:
    virtual ~ReadableFile() = default;
    // The next line without its ending (carriage return, line feed, or both). False at the end of
    // the file, and on a failure, which is then described in `error`.
    virtual bool readLine(std::string& line, ErrorInfo& error) = 0;
};

class WritableFile {
public:
    virtual ~WritableFile() = default;
    // Writes text followed by carriage return and line feed. The failure may show only at a later
    // line or at close (writes are buffered).
    virtual ErrorInfo writeLine(std::string_view text) = 0;
    // Writes out what is buffered, flushes the file to disk, then its folder, and releases it.
    virtual ErrorInfo close() = 0;
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Opens an existing file for reading and holds it.
    virtual std::unique_ptr<ReadableFile> openHeld(const std::filesystem::path& file, ErrorInfo& error) = 0;
    // Creates the file, or empties it when it exists (unless another instance holds it), and holds
    // it. Permissions: those of `keepModeOf` when that names an existing file, else owner read and
    // write only.
    virtual std::unique_ptr<WritableFile> createHeld(const std::filesystem::path& file,
                                                     const std::filesystem::path& keepModeOf,
                                                     ErrorInfo& error) = 0;
    // Renames; fails when `to` exists or another instance holds `from`.
    virtual ErrorInfo rename(const std::filesystem::path& from, const std::filesystem::path& to) = 0;
    // Deletes; fails when another instance holds the file.
    virtual ErrorInfo remove(const std::filesystem::path& file) = 0;
    // True when a file (not a folder) of that name exists.
    virtual bool exists(const std::filesystem::path& file) = 0;
    // Names (without folder) of the files in `folder` whose name ends in ".dat", sorted by name.
    // Empty when the folder is missing or unreadable.
    virtual std::vector<std::filesystem::path> listProfileFiles(const std::filesystem::path& folder) = 0;
    // Appends the text with one write, creating the file when missing. False when that failed.
    virtual bool appendText(const std::filesystem::path& file, std::string_view text) = 0;
};

}  // namespace keyloft
