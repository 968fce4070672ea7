#include "cli/store_outcomes.h"

#include "cli/console.h"
#include "cli/exit_codes.h"
#include "store/utf8_text.h"

namespace keyloft::cli {

void PrintReport(const StoreReport& report) {
    for (const MessageRequest& message : report.messages) {
        std::string text;
        if (message.title != kApplicationTitle) text = Utf16ToUtf8(message.title) + ": ";
        Console::printError(text + Utf16ToUtf8(message.text));
    }
}

int ExitCodeFor(OpenOutcome outcome) {
    switch (outcome) {
        case OpenOutcome::Loaded:
            return kExitOk;
        case OpenOutcome::NotChosen:
        case OpenOutcome::BadName:
            return kExitFailure;
        case OpenOutcome::InUse:
        case OpenOutcome::NotFound:
        case OpenOutcome::Empty:
        case OpenOutcome::Damaged:
        case OpenOutcome::NotReadable:
        case OpenOutcome::Failed:
        case OpenOutcome::Replaced:
        case OpenOutcome::NeedsAnswer:  // answered before it gets here
            return kExitNotLoaded;
        case OpenOutcome::Ended:
            return kExitEndedAtOnce;
    }
    return kExitNotLoaded;
}

int ExitCodeFor(SaveOutcome outcome) {
    switch (outcome) {
        case SaveOutcome::Saved:
            return kExitOk;
        case SaveOutcome::ConflictRefreshed:
        case SaveOutcome::ConflictLockedOut:
        case SaveOutcome::NeedsAnswer:  // answered before it gets here
            return kExitConflict;
        case SaveOutcome::Failed:
            return kExitSaveFailed;
    }
    return kExitSaveFailed;
}

}  // namespace keyloft::cli
