// What a user is told when the permissions of a profile's file, or a link in a shared folder, keep
// Keyloft from doing what was asked, and how it is put right. These are no failures of the program:
// closing and re-opening would not help, so the window stays and nothing else is done.
#include "store/store_detail.h"

namespace keyloft {
using namespace detail;
namespace {

constexpr char16_t kReadOnlyTitle[] = u"Read-Only Profile";
constexpr char16_t kLinkRefusedTitle[] = u"Link Not Followed";

}  // namespace

std::u16string ProfileNotReadableMessage(std::u16string_view profileName) {
    const std::u16string name(profileName);
    return u"You may not read the profile \"" + name +
           u"\": the permissions of its file keep you out, and closing and re-opening will not change that.\n"
           u"Its owner can let the colleagues who share the folder in by making the file readable and "
           u"writable "
           u"for the folder's group (on Linux: chmod g+rw \"" +
           name + kProfileExtension + u"\"; on Windows: the Security tab of the file's properties).";
}

std::u16string ProfileReadOnlyMessage(std::u16string_view profileName) {
    const std::u16string name(profileName);
    return u"The profile \"" + name +
           u"\" is read-only for you: the permissions of its file do not let you change it, so it was "
           u"neither "
           u"changed nor deleted.\nIts owner can let the colleagues who share the folder change it by making "
           u"the "
           u"file writable for the folder's group (on Linux: chmod g+w \"" +
           name + kProfileExtension +
           u"\"; on Windows: clear its Read-only attribute, or the Security tab of the file's properties).";
}

std::u16string ProfileLinkRefusedMessage(std::u16string_view profileName) {
    const std::u16string name(profileName);
    return u"The profile \"" + name +
           u"\" is a link, and other users can change the folder it is in or the folder it leads to: they "
           u"could "
           u"point it at a file of yours outside the database folder, so Keyloft does not follow it.\nKeep "
           u"the "
           u"profile file itself in the database folder, or keep the link and the file it leads to in "
           u"folders "
           u"that only you can change (on Linux: chmod go-w on both folders).";
}

namespace detail {

std::optional<MessageRequest> RefusalMessage(std::u16string_view profileName, const ErrorInfo& error) {
    if (error.number == error::kReadOnlyFile) {
        return Message(ProfileReadOnlyMessage(profileName), kReadOnlyTitle, MessageIcon::Exclamation);
    }
    if (error.number == error::kUnsafeLink) {
        return Message(ProfileLinkRefusedMessage(profileName), kLinkRefusedTitle, MessageIcon::Exclamation);
    }
    return std::nullopt;
}

}  // namespace detail
}  // namespace keyloft
