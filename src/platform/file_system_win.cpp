// Profile files on Windows. The hold is the share mode: a held file is open without
// FILE_SHARE_READ and FILE_SHARE_DELETE, so no other instance can read, rename or delete it. The
// holder renames its own file through its handle (it opened it with DELETE access).

#ifdef _WIN32

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform_core.h"

namespace keyloft::platform {
namespace {

ErrorInfo ErrorFromWin32(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
        return ErrorInfo::of(error::kFileNotFound);
    case ERROR_PATH_NOT_FOUND:
        return ErrorInfo::of(error::kPathNotFound);
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return ErrorInfo::of(error::kPermissionDenied);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ErrorInfo::of(error::kDiskFull);
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return ErrorInfo::of(error::kFileAlreadyExists);
    case ERROR_INVALID_NAME:
        return ErrorInfo::of(error::kBadFileName);
    case ERROR_TOO_MANY_OPEN_FILES:
        return ErrorInfo::of(error::kTooManyFiles);
    case ERROR_NOT_SAME_DEVICE:
        return ErrorInfo::of(error::kRenameAcrossDrives);
    default:
        return ErrorInfo::of(error::kPathFileAccess);
    }
}

struct Handle {
    HANDLE h = INVALID_HANDLE_VALUE;
    explicit Handle(HANDLE handle) : h(handle) {}
    ~Handle() {
        if (h != INVALID_HANDLE_VALUE) {
            CloseHandle(h);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool valid() const { return h != INVALID_HANDLE_VALUE; }
};

// Handles this instance holds, by file name, so that it can rename its own files.
struct HeldHandles {
    std::vector<std::pair<std::wstring, HANDLE>> items;
    HANDLE find(const std::filesystem::path& file) const {
        for (const auto& [name, handle] : items) {
            if (_wcsicmp(name.c_str(), file.c_str()) == 0) {
                return handle;
            }
        }
        return INVALID_HANDLE_VALUE;
    }
    void add(const std::filesystem::path& file, HANDLE h) { items.emplace_back(file.wstring(), h); }
    void remove(HANDLE h) {
        items.erase(std::remove_if(items.begin(), items.end(), [h](const auto& item) { return item.second == h; }),
                    items.end());
    }
    void renamed(HANDLE h, const std::filesystem::path& to) {
        for (auto& item : items) {
            if (item.second == h) {
                item.first = to.wstring();
            }
        }
    }
};

class WinReadableFile final : public ReadableFile {
public:
    WinReadableFile(HANDLE h, std::shared_ptr<HeldHandles> held) : handle_(h), held_(std::move(held)) {}
    ~WinReadableFile() override { held_->remove(handle_.h); }
    bool readLine(std::string& line, ErrorInfo& error) override {
        line.clear();
        error = ErrorInfo::none();
        bool any = false;
        while (true) {
            if (pos_ == size_) {
                DWORD n = 0;
                if (!ReadFile(handle_.h, buffer_, sizeof buffer_, &n, nullptr)) {
                    error = ErrorFromWin32(GetLastError());
                    return false;
                }
                if (n == 0) {
                    return any;
                }
                pos_ = 0;
                size_ = n;
            }
            if (pendingLf_) {
                pendingLf_ = false;
                if (buffer_[pos_] == '\n') {
                    ++pos_;
                    continue;
                }
            }
            const char* start = buffer_ + pos_;
            const char* end = buffer_ + size_;
            const char* stop = std::find_if(start, end, [](char c) { return c == '\r' || c == '\n'; });
            line.append(start, stop);
            any = true;
            pos_ = static_cast<std::size_t>(stop - buffer_);
            if (stop != end) {
                pendingLf_ = *stop == '\r';
                ++pos_;
                return true;
            }
        }
    }

private:
    Handle handle_;
    std::shared_ptr<HeldHandles> held_;
    char buffer_[65536];
    std::size_t pos_ = 0;
    std::size_t size_ = 0;
    bool pendingLf_ = false;
};

class WinWritableFile final : public WritableFile {
public:
    WinWritableFile(HANDLE h, std::shared_ptr<HeldHandles> held) : handle_(h), held_(std::move(held)) {}
    ~WinWritableFile() override { held_->remove(handle_.h); }
    ErrorInfo writeLine(std::string_view text) override {
        std::string line(text);
        line += "\r\n";
        DWORD written = 0;
        if (!handle_.valid() || !WriteFile(handle_.h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
            written != line.size()) {
            return ErrorFromWin32(GetLastError());
        }
        return ErrorInfo::none();
    }
    ErrorInfo close() override {
        if (!handle_.valid()) {
            return ErrorInfo::of(error::kBadFileNameOrNumber);
        }
        ErrorInfo result;
        if (!FlushFileBuffers(handle_.h)) {
            result = ErrorFromWin32(GetLastError());
        }
        held_->remove(handle_.h);
        CloseHandle(handle_.h);
        handle_.h = INVALID_HANDLE_VALUE;
        return result;
    }

private:
    Handle handle_;
    std::shared_ptr<HeldHandles> held_;
};

class WinFileSystem final : public FileSystem {
public:
    std::unique_ptr<ReadableFile> openHeld(const std::filesystem::path& file, ErrorInfo& error) override {
        HANDLE h = CreateFileW(file.c_str(), GENERIC_READ | DELETE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            error = ErrorFromWin32(GetLastError());
            return nullptr;
        }
        held_->add(file, h);
        error = ErrorInfo::none();
        return std::make_unique<WinReadableFile>(h, held_);
    }

    std::unique_ptr<WritableFile> createHeld(const std::filesystem::path& file, const std::filesystem::path&,
                                             ErrorInfo& error) override {
        // A new file inherits the folder's access rules; a replaced file is written in place of
        // the backup name, which keeps its own.
        HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            error = ErrorFromWin32(GetLastError());
            return nullptr;
        }
        held_->add(file, h);
        error = ErrorInfo::none();
        return std::make_unique<WinWritableFile>(h, held_);
    }

    ErrorInfo rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        const HANDLE own = held_->find(from);
        if (own != INVALID_HANDLE_VALUE) {
            const std::wstring target = to.wstring();
            const DWORD size = static_cast<DWORD>(sizeof(FILE_RENAME_INFO) + target.size() * sizeof(wchar_t));
            std::vector<unsigned char> buffer(size, 0);
            auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
            info->ReplaceIfExists = FALSE;
            info->RootDirectory = nullptr;
            info->FileNameLength = static_cast<DWORD>(target.size() * sizeof(wchar_t));
            std::copy(target.begin(), target.end(), info->FileName);
            if (!SetFileInformationByHandle(own, FileRenameInfo, info, size)) {
                return ErrorFromWin32(GetLastError());
            }
            held_->renamed(own, to);
            return ErrorInfo::none();
        }
        if (!MoveFileExW(from.c_str(), to.c_str(), 0)) {
            return ErrorFromWin32(GetLastError());
        }
        return ErrorInfo::none();
    }

    ErrorInfo remove(const std::filesystem::path& file) override {
        if (!DeleteFileW(file.c_str())) {
            return ErrorFromWin32(GetLastError());
        }
        return ErrorInfo::none();
    }

    bool exists(const std::filesystem::path& file) override {
        const DWORD attributes = GetFileAttributesW(file.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    }

    std::vector<std::filesystem::path> listProfileFiles(const std::filesystem::path& folder) override {
        std::vector<std::filesystem::path> names;
        std::filesystem::path pattern = folder;
        pattern += L"\\*.dat";
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW(pattern.c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) {
            return names;
        }
        do {
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                names.emplace_back(data.cFileName);
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
        std::sort(names.begin(), names.end());
        return names;
    }

    bool appendText(const std::filesystem::path& file, std::string_view text) override {
        HANDLE h = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            return false;
        }
        DWORD written = 0;
        const BOOL ok = WriteFile(h, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(h);
        return ok && written == text.size();
    }

private:
    std::shared_ptr<HeldHandles> held_ = std::make_shared<HeldHandles>();
};

}  // namespace

std::unique_ptr<FileSystem> CreateHostFileSystem() { return std::make_unique<WinFileSystem>(); }

std::filesystem::path ApplicationFolder() {
    std::wstring buffer(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    buffer.resize(n);
    return std::filesystem::path(buffer).parent_path();
}

}  // namespace keyloft::platform

#endif  // _WIN32
