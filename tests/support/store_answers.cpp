#include "support/store_answers.h"

namespace keyloft::testing {
namespace {

bool Yes(Dialogs& dialogs, const MessageRequest& question) {
    return dialogs.showMessage(question) == MessageAnswer::Yes;
}

void AskFolder(ProfileStore& store, Dialogs& dialogs, const std::optional<MessageRequest>& question) {
    if (question && Yes(dialogs, *question)) (void)store.folder().useApplicationFolder();
}

}  // namespace

OpenResult Answered(ProfileStore& store, Dialogs& dialogs, OpenResult result) {
    while (result.outcome == OpenOutcome::NeedsAnswer && result.question)
        result = store.open().answerReplacedFile(Yes(dialogs, *result.question));
    return result;
}

SaveResult Answered(ProfileStore& store, Dialogs& dialogs, SaveResult result) {
    while (result.outcome == SaveOutcome::NeedsAnswer && result.question)
        result = store.open().answerReplacedSave(Yes(dialogs, *result.question));
    return result;
}

std::vector<std::u16string> ListAnswered(ProfileStore& store, Dialogs& dialogs) {
    ProfileList list = store.folder().listProfiles();
    if (list.question && Yes(dialogs, *list.question)) return store.folder().useApplicationFolder();
    return std::move(list.names);
}

DeleteResult DeleteAnswered(ProfileStore& store, Dialogs& dialogs, std::u16string_view name) {
    DeleteResult result = store.folder().deleteProfile(name);
    if (result.question && Yes(dialogs, *result.question))
        result = store.folder().deleteProfile(name, DeleteConfirmation::Confirmed);
    AskFolder(store, dialogs, result.folderQuestion);
    return result;
}

CreateResult CreateAnswered(ProfileStore& store, Dialogs& dialogs, CreateResult result) {
    AskFolder(store, dialogs, result.folderQuestion);
    return result;
}

}  // namespace keyloft::testing
