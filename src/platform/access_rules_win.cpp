#ifdef _WIN32

#include "platform/access_rules_win.h"

#include <aclapi.h>

#include "platform/file_handles_win.h"

namespace keyloft::platform::win {

OwnerOnlySecurity::OwnerOnlySecurity() {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw)) {
        return;
    }
    Handle owned(raw);
    DWORD size = 0;
    GetTokenInformation(owned.get(), TokenUser, nullptr, 0, &size);
    user_.resize(size);
    if (size == 0 || !GetTokenInformation(owned.get(), TokenUser, user_.data(), size, &size)) {
        return;
    }
    PSID sid = reinterpret_cast<TOKEN_USER*>(user_.data())->User.Sid;
    const DWORD aclSize = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid);
    acl_.resize(aclSize / sizeof(std::uint64_t) + 1);
    auto* acl = reinterpret_cast<ACL*>(acl_.data());
    if (!InitializeAcl(acl, aclSize, ACL_REVISION) ||
        !AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, sid) ||
        !InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) ||
        !SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
        return;
    }
    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = &descriptor_;
    attributes_.bInheritHandle = FALSE;
    ready_ = true;
}

bool OwnerOnlySecurity::applyTo(HANDLE file) {
    return ready_ && SetSecurityInfo(file, SE_FILE_OBJECT,
                                     DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                     nullptr, reinterpret_cast<ACL*>(acl_.data()), nullptr) == ERROR_SUCCESS;
}

ErrorInfo CopyAccessRules(HANDLE from, HANDLE to) {
    PACL dacl = nullptr;
    PSID group = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD rc =
        GetSecurityInfo(from, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION, nullptr,
                        &group, &dacl, nullptr, &descriptor);
    if (rc != ERROR_SUCCESS) {
        return ErrorFromWin32(rc);
    }
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    // A protected DACL is copied as it is; an inheriting one gets the folder's inherited entries anew.
    const SECURITY_INFORMATION protection = (control & SE_DACL_PROTECTED) != 0
                                                ? PROTECTED_DACL_SECURITY_INFORMATION
                                                : UNPROTECTED_DACL_SECURITY_INFORMATION;
    DWORD result = SetSecurityInfo(to, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | protection, nullptr,
                                   nullptr, dacl, nullptr);
    if (result == ERROR_SUCCESS && group != nullptr) {
        // Only groups the user belongs to can be set; otherwise the file keeps the user's own.
        SetSecurityInfo(to, SE_FILE_OBJECT, GROUP_SECURITY_INFORMATION, nullptr, group, nullptr, nullptr);
    }
    LocalFree(descriptor);
    return result == ERROR_SUCCESS ? ErrorInfo::none() : ErrorFromWin32(result);
}

}  // namespace keyloft::platform::win

#endif  // _WIN32
