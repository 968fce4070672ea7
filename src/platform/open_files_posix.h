#pragma once
// The open files of the POSIX file system: a held file, read line by line, that remembers the
// folder and name it was found under; and the temporary file of a save, which knows the name it is
// to take and the file it is to replace.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/error_mapping.h"
#include "platform/file_handles_posix.h"
#include "platform/line_reader.h"

namespace keyloft::platform::posix {

class PosixReadableFile final : public LineReader {
  public:
    PosixReadableFile(int fd, FileId id, Place place, bool throughLink,
                      std::shared_ptr<HoldRegistry> registry)
        : fd_(fd),
          id_(id),
          place_(std::move(place)),
          throughLink_(throughLink),
          registry_(std::move(registry)) {
        registry_->add(id_);
    }
    ~PosixReadableFile() override { registry_->remove(id_); }

    int descriptor() const { return fd_.get(); }
    FileId id() const { return id_; }
    // The folder and name the file was found under (for a profile that is a link: its target's).
    const Place& place() const { return place_; }
    bool throughLink() const { return throughLink_; }

  private:
    bool readBytes(char* buffer, std::size_t size, std::size_t& count, ErrorInfo& error) override {
        ssize_t n;
        do {
            n = ::read(fd_.get(), buffer, size);
        } while (n < 0 && errno == EINTR);
        if (n < 0) {
            error = ErrorFromErrno(errno);
            return false;
        }
        count = static_cast<std::size_t>(n);
        return true;
    }

    ErrorInfo seekToStart() override {
        if (::lseek(fd_.get(), 0, SEEK_SET) != 0) {
            return ErrorFromErrno(errno);
        }
        return ErrorInfo::none();
    }

    Descriptor fd_;
    FileId id_;
    Place place_;
    bool throughLink_;
    std::shared_ptr<HoldRegistry> registry_;
};

// What a temporary file is to become: the name it is to take in its folder and, for a save of a
// held file, that file (`replaces`; none when it was removed under the hold).
struct SaveTarget {
    std::string name;
    bool ofHeldFile = false;
    std::optional<FileId> replaces;
    bool throughLink = false;
};

// A temporary file of a save: removed when dropped before it was installed.
class PosixTemporaryFile final : public WritableFile {
  public:
    PosixTemporaryFile(int fd, FileId id, Place place, SaveTarget target, std::filesystem::path shown,
                       std::shared_ptr<HoldRegistry> registry, StepHook onStep)
        : fd_(fd),
          id_(id),
          place_(std::move(place)),
          target_(std::move(target)),
          shown_(std::move(shown)),
          registry_(std::move(registry)),
          onStep_(std::move(onStep)) {
        registry_->add(id_);
    }
    ~PosixTemporaryFile() override {
        // Only while the name is still this file's: whatever another user put there stays.
        if (fd_.get() >= 0 && NamesAt(place_.fd(), place_.name, id_)) {
            ::unlinkat(place_.fd(), place_.name.c_str(), 0);
        }
        registry_->remove(id_);
    }

    ErrorInfo writeLine(std::string_view text) override {
        if (fd_.get() < 0) {
            return ErrorInfo::of(error::kBadFileNameOrNumber);
        }
        buffer_.append(text);
        buffer_ += "\r\n";
        if (buffer_.size() >= kFlushAt) {
            return writeBuffer();
        }
        return ErrorInfo::none();
    }

    ErrorInfo flush() override {
        if (fd_.get() < 0) {
            return ErrorInfo::of(error::kBadFileNameOrNumber);
        }
        ErrorInfo result = writeBuffer();
        if (!result.failed() && ::fsync(fd_.get()) != 0) {
            result = ErrorFromErrno(errno);
        }
        if (!result.failed()) {
            Report(onStep_, "flush", shown_);
        }
        return result;
    }

    ErrorInfo writeBuffer() {
        std::size_t done = 0;
        while (done < buffer_.size()) {
            const ssize_t n = ::write(fd_.get(), buffer_.data() + done, buffer_.size() - done);
            if (n < 0) {
                if (errno == EINTR) {
                    continue;
                }
                buffer_.clear();
                return ErrorFromErrno(errno);
            }
            done += static_cast<std::size_t>(n);
        }
        if (!buffer_.empty()) {
            Report(onStep_, "write", shown_);
        }
        buffer_.clear();
        return ErrorInfo::none();
    }

    const Place& place() const { return place_; }
    const SaveTarget& target() const { return target_; }
    FileId id() const { return id_; }
    int descriptor() const { return fd_.get(); }
    // Hands the descriptor over once the file has its final name.
    int release() { return fd_.release(); }

  private:
    static constexpr std::size_t kFlushAt = 1 << 16;

    Descriptor fd_;
    FileId id_;
    Place place_;
    SaveTarget target_;
    std::filesystem::path shown_;
    std::shared_ptr<HoldRegistry> registry_;
    StepHook onStep_;
    std::string buffer_;
};

}  // namespace keyloft::platform::posix
