#include "store/error_codes.h"

#include <array>
#include <string>

namespace keyloft {
namespace {

struct KnownError {
    int number;
    const char16_t* description;
};

constexpr std::array kKnownErrors{
    KnownError{error::kInvalidCall, u"Invalid procedure call or argument"},
    KnownError{error::kOverflow, u"Overflow"},
    KnownError{error::kOutOfMemory, u"Out of memory"},
    KnownError{error::kSubscriptOutOfRange, u"Subscript out of range"},
    KnownError{error::kTypeMismatch, u"Type mismatch"},
    KnownError{error::kBadFileNameOrNumber, u"Bad file name or number"},
    KnownError{error::kFileNotFound, u"File not found"},
    KnownError{error::kFileAlreadyOpen, u"File already open"},
    KnownError{error::kDeviceIo, u"Device I/O error"},
    KnownError{error::kFileAlreadyExists, u"File already exists"},
    KnownError{error::kDiskFull, u"Disk full"},
    KnownError{error::kInputPastEnd, u"Input past end of file"},
    KnownError{error::kBadFileName, u"Bad file name"},
    KnownError{error::kTooManyFiles, u"Too many files"},
    KnownError{error::kDeviceUnavailable, u"Device unavailable"},
    KnownError{error::kPermissionDenied, u"Permission denied"},
    KnownError{error::kRenameAcrossDrives, u"Can't rename with different drive"},
    KnownError{error::kPathFileAccess, u"Path/File access error"},
    KnownError{error::kPathNotFound, u"Path not found"},
    KnownError{error::kNotRegularFile, u"Not a regular file (a folder, device or pipe)"},
    KnownError{error::kReadOnlyFileSystem, u"Read-only file system"},
    KnownError{error::kBusy, u"File or device busy"},
    KnownError{error::kTooManyLinks, u"Too many levels of symbolic links"},
    KnownError{error::kNetworkFolderUnavailable, u"Network folder unavailable"},
    KnownError{error::kNotSupported, u"Not supported by the file system"},
    KnownError{error::kUnsafeLink,
               u"Link not followed: other users can change the folder it is in or leads to"},
    KnownError{error::kReadOnlyFile, u"The file is read-only for you"},
    KnownError{error::kDuplicateKey, u"This key is already associated with an element of this collection"},
};

}  // namespace

std::u16string ErrorDescription(int number) {
    if (number == error::kNone) {
        return {};
    }
    for (const KnownError& known : kKnownErrors) {
        if (known.number == number) {
            return known.description;
        }
    }
    return u"Application-defined or object-defined error";
}

std::u16string ErrorNumberText(int number) {
    const std::string digits = std::to_string(number);
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace keyloft
