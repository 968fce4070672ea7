#include "platform/error_mapping.h"

#include <cerrno>
#include <system_error>

namespace keyloft::platform {

ErrorInfo ErrorFromErrno(int errorNumber) {
    switch (errorNumber) {
        case 0:
            return ErrorInfo::of(error::kPathFileAccess);
        case ENOENT:
            return ErrorInfo::of(error::kFileNotFound);
        case ENOTDIR:
            return ErrorInfo::of(error::kPathNotFound);
        case EACCES:
        case EPERM:
        case EWOULDBLOCK:
#if EAGAIN != EWOULDBLOCK
        case EAGAIN:
#endif
            return ErrorInfo::of(error::kPermissionDenied);
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
        case EFBIG:
            return ErrorInfo::of(error::kDiskFull);
        case EIO:
            return ErrorInfo::of(error::kDeviceIo);
        case EEXIST:
        case ENOTEMPTY:
            return ErrorInfo::of(error::kFileAlreadyExists);
        case EMFILE:
        case ENFILE:
            return ErrorInfo::of(error::kTooManyFiles);
        case ENAMETOOLONG:
        case EINVAL:
            return ErrorInfo::of(error::kBadFileName);
        case EBADF:
            return ErrorInfo::of(error::kBadFileNameOrNumber);
        case EXDEV:
            return ErrorInfo::of(error::kRenameAcrossDrives);
        case ENOMEM:
            return ErrorInfo::of(error::kOutOfMemory);
        case EROFS:
            return ErrorInfo::of(error::kReadOnlyFileSystem);
        case EISDIR:
        case ESPIPE:
            return ErrorInfo::of(error::kNotRegularFile);
        case ENXIO:
        case ENODEV:
#ifdef ENOMEDIUM
        case ENOMEDIUM:
#endif
            return ErrorInfo::of(error::kDeviceUnavailable);
        case EBUSY:
        case ETXTBSY:
            return ErrorInfo::of(error::kBusy);
        case ELOOP:
            return ErrorInfo::of(error::kTooManyLinks);
#ifdef ESTALE
        case ESTALE:
#endif
        case ETIMEDOUT:
        case ENOTCONN:
        case ECONNRESET:
        case ECONNABORTED:
        case ENETDOWN:
        case ENETUNREACH:
        case EHOSTUNREACH:
#ifdef EHOSTDOWN
        case EHOSTDOWN:
#endif
#ifdef ENOLINK
        case ENOLINK:
#endif
#ifdef EREMOTEIO
        case EREMOTEIO:
#endif
#ifdef ECOMM
        case ECOMM:
#endif
            return ErrorInfo::of(error::kNetworkFolderUnavailable);
        case ENOSYS:
        case ENOLCK:
        case EOPNOTSUPP:
#if defined(ENOTSUP) && ENOTSUP != EOPNOTSUPP
        case ENOTSUP:
#endif
            return ErrorInfo::of(error::kNotSupported);
        case EOVERFLOW:
            return ErrorInfo::of(error::kOverflow);
        default:
            // What is left has no better number.
            return ErrorInfo::of(error::kPathFileAccess);
    }
}

ErrorInfo ErrorFromErrno(int errorNumber, const std::filesystem::path& file) {
    if (errorNumber == ENOENT) {
        std::error_code ignored;
        const std::filesystem::path folder = file.parent_path();
        if (!folder.empty() && !std::filesystem::is_directory(folder, ignored)) {
            return ErrorInfo::of(error::kPathNotFound);
        }
    }
    return ErrorFromErrno(errorNumber);
}

}  // namespace keyloft::platform
