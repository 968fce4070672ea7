#pragma once
// What the storage's files share: the messages and log names more than one of them uses, and small
// helpers for paths and messages.

#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "store/error_codes.h"
#include "store/profile_results.h"
#include "store/ui_host.h"

namespace keyloft {
namespace detail {

// Messages and log names of the storage.
inline constexpr char16_t kErrorOccurred[] = u"An Error has occurred!. The error is : ";
inline constexpr char16_t kCloseAndReopen[] = u"Please close application and re-open.";
inline constexpr char16_t kOpReadFromFile[] = u"ReadFromFile";
inline constexpr char16_t kLineBreak[] = u"\n";
inline constexpr char16_t kProfileExtension[] = u".dat";

// A path from text; nullopt when the text cannot name a file on this system.
inline std::optional<std::filesystem::path> MakePath(std::u16string_view text) {
    try {
        return std::filesystem::path(std::u16string(text));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

// folder & separator & name, as text is joined (an empty folder gives a path at the root).
inline std::filesystem::path JoinFolder(const std::filesystem::path& folder, std::u16string_view name) {
    std::filesystem::path joined = folder;
    joined += std::filesystem::path::preferred_separator;
    if (const auto tail = MakePath(name)) {
        joined += *tail;
    }
    return joined;
}

// The security setup's checks of trimmed logon details and questions (profile_edits.cpp): nullopt,
// or the message that refuses them.
std::optional<std::u16string> SecurityRefusal(const SecuritySettings& settings);

inline ErrorInfo DamagedError() { return ErrorInfo{error::kInvalidCall, kProfileDamagedMessage}; }

inline MessageRequest Message(std::u16string text, std::u16string title = kApplicationTitle,
                              MessageIcon icon = MessageIcon::None) {
    MessageRequest request;
    request.text = std::move(text);
    request.title = std::move(title);
    request.icon = icon;
    return request;
}

// The message for a failure that the permissions of the profile's file (84) or a link Keyloft does
// not follow (83) make: said so with how it is put right, in place of the failure message.
std::optional<MessageRequest> RefusalMessage(std::u16string_view profileName, const ErrorInfo& error);

}  // namespace detail

}  // namespace keyloft
