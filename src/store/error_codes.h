#pragma once
// Failures carry a number and a description, modelled on the classic run-time errors, because the
// error log and the failure messages name both. One table; operating-system error codes are mapped
// onto it in platform/ (see platform/error_mapping.h). Numbers 77 to 84 are this program's own, for
// reasons the classic table has no number for.

#include <string>

namespace keyloft {

namespace error {
inline constexpr int kNone = 0;
inline constexpr int kInvalidCall = 5;
inline constexpr int kOverflow = 6;
inline constexpr int kOutOfMemory = 7;
inline constexpr int kSubscriptOutOfRange = 9;
inline constexpr int kTypeMismatch = 13;
inline constexpr int kBadFileNameOrNumber = 52;
inline constexpr int kFileNotFound = 53;
inline constexpr int kFileAlreadyOpen = 55;
inline constexpr int kDeviceIo = 57;
inline constexpr int kFileAlreadyExists = 58;
inline constexpr int kDiskFull = 61;
inline constexpr int kInputPastEnd = 62;
inline constexpr int kBadFileName = 64;
inline constexpr int kTooManyFiles = 67;
inline constexpr int kDeviceUnavailable = 68;
inline constexpr int kPermissionDenied = 70;
inline constexpr int kRenameAcrossDrives = 74;
inline constexpr int kPathFileAccess = 75;
inline constexpr int kPathNotFound = 76;
inline constexpr int kNotRegularFile = 77;
inline constexpr int kReadOnlyFileSystem = 78;
inline constexpr int kBusy = 79;
inline constexpr int kTooManyLinks = 80;
inline constexpr int kNetworkFolderUnavailable = 81;
inline constexpr int kNotSupported = 82;
// A symbolic link (or another link the system follows) that is not followed: other users can
// change a folder on its way, and could point it at a file of this user's outside the folder.
inline constexpr int kUnsafeLink = 83;
// A file whose permissions do not let this user change it: it is neither replaced nor removed.
inline constexpr int kReadOnlyFile = 84;
inline constexpr int kDuplicateKey = 457;
}  // namespace error

// The description of an error number ("File not found" for 53); "Application-defined or
// object-defined error" for a number the table does not know, "" for 0.
std::u16string ErrorDescription(int number);

struct [[nodiscard]] ErrorInfo {
    int number = error::kNone;
    std::u16string description;
    // The failure is another instance's hold on the file (70 "Permission denied"), which goes away
    // by itself, as against a permission the file system refuses.
    bool inUse = false;
    // The failure is that the file a save was to replace is no longer the one its name names: another
    // program put something else there (a file, a link) after the save checked it (58).
    bool replaced = false;

    bool failed() const { return number != error::kNone; }
    static ErrorInfo none() { return {}; }
    static ErrorInfo of(int number) { return {number, ErrorDescription(number)}; }
    static ErrorInfo heldByOther() {
        return {error::kPermissionDenied, ErrorDescription(error::kPermissionDenied), true};
    }
    static ErrorInfo replacedMeanwhile() {
        return {error::kFileAlreadyExists, ErrorDescription(error::kFileAlreadyExists), false, true};
    }
};

// The number as decimal text, as it appears in messages and the error log.
std::u16string ErrorNumberText(int number);

}  // namespace keyloft
