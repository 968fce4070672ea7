// The running program: where it lives, and what a crash may leave behind.

#ifdef _WIN32

#include <windows.h>

#include <filesystem>
#include <string>

#include "platform/platform_core.h"

namespace keyloft::platform {

std::filesystem::path ApplicationFolder() {
    std::wstring buffer(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    buffer.resize(n);
    return std::filesystem::path(buffer).parent_path();
}

namespace {

// Ends the process at once on a crash: Windows Error Reporting never sees it, so it neither
// shows its box nor keeps a dump of the memory (decrypted profiles, logon details) on disk.
LONG WINAPI EndWithoutReport(EXCEPTION_POINTERS* exception) {
    TerminateProcess(GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void DisableCoreDumps() {
    SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(EndWithoutReport);
}

}  // namespace keyloft::platform

#endif  // _WIN32
