#pragma once
// The store's questions answered as the window and the command-line tool answer them: each is
// shown on `dialogs`, and the store goes on with the answer.

#include <string>
#include <string_view>
#include <vector>

#include "store/profile_store.h"

namespace keyloft::testing {

OpenResult Answered(ProfileStore& store, Dialogs& dialogs, OpenResult result);
SaveResult Answered(ProfileStore& store, Dialogs& dialogs, SaveResult result);
// listProfiles with "Profiles Missing" asked; Yes lists the application folder.
std::vector<std::u16string> ListAnswered(ProfileStore& store, Dialogs& dialogs);
// deleteProfile with its question asked, and the folder's question after it.
DeleteResult DeleteAnswered(ProfileStore& store, Dialogs& dialogs, std::u16string_view name);
CreateResult CreateAnswered(ProfileStore& store, Dialogs& dialogs, CreateResult result);

}  // namespace keyloft::testing
