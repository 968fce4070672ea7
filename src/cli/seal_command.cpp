#include "cli/command.h"
#include "cli/exit_codes.h"
#include "store/sealing_rule.h"
#include "store/secret_memory.h"
#include "store/utf8_text.h"

namespace keyloft::cli {
namespace {

// seal / unseal: saves the profile in the sealed form (readable only with its logon or its security
// answers) or in the usual form, as the check box in the window's setup does. Sealing asks of the
// logon and the answers what the setup asks (store/sealing_rule.h); unsealing a sealed profile asks
// first, since anyone who can copy the file can read it afterwards.
class SealCommand final : public Command {
  public:
    explicit SealCommand(bool seal) : seal_(seal) {}

    CLI::App* addTo(CLI::App& app) override {
        CLI::App* command =
            seal_ ? app.add_subcommand(
                        "seal",
                        "Save the profile sealed: the file opens only with its logon or its security\n"
                        "answers (slow on purpose: the keys are made with Argon2id). Refused while the\n"
                        "password is the default or easy to guess: change it with logon. A password\n"
                        "that a readable file held is replaced first: the new one is read twice.\n"
                        "Answers too easy to guess get no key slot (standard error says which)")
                  : app.add_subcommand(
                        "unseal",
                        "Save a sealed profile in the usual form again, which anyone who can copy the\n"
                        "file can read (asks first; --yes answers yes)");
        AddProfileName(*command, name_);
        if (!seal_) command->add_flag("--yes,-y", yes_, "Save in the usual form without asking");
        return command;
    }
    int run(const GlobalOptions& options, Console& console) override {
        GlobalOptions effective = options;
        effective.assumeYes = effective.assumeYes || yes_;
        Session session(effective, console);
        if (const int code = session.openAndLogOn(FromArgument(name_)); code != kExitOk) return code;
        const bool was = session.store().open().sealed();
        EditResult edit;
        if (seal_) {
            if (const int code = sealWithSetup(session, console, edit); code != kExitOk) return code;
        } else {
            if (was && !ConfirmUsualForm(session, name_)) return kExitFailure;
            session.store().edits().setSealed(false);
            if (const int code = session.save(); code != kExitOk) return code;
        }
        if (was == seal_) {
            PrintOut("The profile \"" + name_ + "\" was already " + (seal_ ? "sealed" : "in the usual form") +
                     "; saved again.\n");
        } else {
            PrintOut(seal_ ? "Sealed the profile \"" + name_ + "\".\n"
                           : "The profile \"" + name_ + "\" is in the usual form again.\n");
        }
        PrintNotice(edit);
        return kExitOk;
    }

  private:
    // Sealing is the security setup's edit with the profile's logon and questions as they are: its
    // rule for the password, a new password (read twice) when the present one has been in a readable
    // file, and key slots only for answers hard enough to guess.
    int sealWithSetup(Session& session, Console& console, EditResult& edit) const {
        const Profile& profile = session.profile();
        SecuritySettings settings;
        settings.logonMode = profile.logonMode;
        settings.userId = profile.userId;
        settings.pin = profile.pin;
        settings.questions = profile.questions;
        settings.answerMode = 0;  // as it is: the setup's count of questions is not asked for
        settings.passwordRetyped = false;
        settings.seal = true;
        const auto wipe = [&settings] {
            for (std::u16string* text : {&settings.password, &settings.confirmation, &settings.pin})
                Wipe(*text);
            for (SecurityQuestion& pair : settings.questions) Wipe(pair.answer);
        };
        if (session.store().edits().sealingNeedsNewPassword()) {
            Console::printError(Utf16ToUtf8(kReadablePasswordRefusal));
            auto password = ReadNewSecret(console, "New password: ", "Confirm new password: ");
            if (!password) {
                wipe();
                Console::printError(
                    "keyloft-cli: standard input ended before the new password; nothing was changed");
                return kExitFailure;
            }
            settings.passwordRetyped = true;
            settings.password = password->first;
            settings.confirmation = password->second;
            Wipe(password->first);
            Wipe(password->second);
        }
        edit = ChangeSecurity(session, settings);
        wipe();
        if (edit.refusal) {
            Refuse(session, *edit.refusal);
            Console::printError(
                "keyloft-cli: nothing was written; change the logon and the security questions with "
                "\"keyloft-cli logon " +
                name_ + "\", which seals the profile as well");
            return kExitFailure;
        }
        return session.finish(edit);
    }

    bool seal_;
    bool yes_ = false;
    std::string name_;
};

}  // namespace

std::unique_ptr<Command> MakeSealCommand() { return std::make_unique<SealCommand>(true); }
std::unique_ptr<Command> MakeUnsealCommand() { return std::make_unique<SealCommand>(false); }

}  // namespace keyloft::cli
