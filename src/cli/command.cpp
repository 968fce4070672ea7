#include "cli/command.h"

#include <iostream>

#include "cli/exit_codes.h"
#include "store/secret_memory.h"
#include "store/utf8_text.h"

namespace keyloft::cli {

const CLI::Validator& Utf8Text() {
    static const CLI::Validator validator(
        [](std::string& value) -> std::string {
            return FromUtf8(value) ? std::string() : std::string("not valid UTF-8 text");
        },
        "");
    return validator;
}

std::u16string FromArgument(const std::string& utf8) { return Utf8ToUtf16(utf8); }

void AddProfileName(CLI::App& command, std::string& name) {
    command.add_option("NAME", name, "Profile name (the file NAME.dat in the database folder)")
        ->required()
        ->check(Utf8Text());
}

void AddRow(CLI::App& command, std::size_t& row) {
    command.add_option("ROW", row, "Position of the entry in the profile, from 1 (as ls shows it)")
        ->required()
        ->check(CLI::PositiveNumber);
}

void AddGeneratorOptions(CLI::App& command, PasswordOptions& options, CLI::Option* needs) {
    CLI::Option* length =
        command
            .add_option("--length", options.length,
                        "Length of the generated password, " + std::to_string(kMinGeneratedLength) + " to " +
                            std::to_string(kMaxGeneratedLength) + " (default " +
                            std::to_string(kGeneratedPasswordLength) + ")")
            ->check(CLI::Range(kMinGeneratedLength, kMaxGeneratedLength));
    CLI::Option* symbols = command.add_flag(
        "--symbols", options.symbols,
        "Draw from the printable ASCII punctuation marks too, except \"|\" (default: letters and digits)");
    if (needs != nullptr) {
        length->needs(needs);
        symbols->needs(needs);
    }
}

int Refuse(Session& session, std::u16string_view message) {
    MessageRequest request;
    request.text = std::u16string(message);
    session.host().showMessage(request);
    return kExitFailure;
}

int CheckRow(Session& session, std::size_t row) {
    const std::size_t count = session.profile().entries.size();
    if (row >= 1 && row <= count) return kExitOk;
    Console::printError("keyloft-cli: no entry at row " + std::to_string(row) + "; the profile has " +
                        std::to_string(count) + (count == 1 ? " entry" : " entries"));
    return kExitFailure;
}

void PrintOut(std::string_view text) { std::cout << text; }

std::optional<std::pair<std::u16string, std::u16string>> ReadNewSecret(Console& console,
                                                                       std::string_view prompt,
                                                                       std::string_view confirmPrompt) {
    std::optional<std::string> typed = console.readSecret(prompt);
    if (!typed) return std::nullopt;
    std::optional<std::string> again = console.readSecret(confirmPrompt);
    std::optional<std::pair<std::u16string, std::u16string>> result;
    if (again) result.emplace(Utf8ToUtf16(*typed), Utf8ToUtf16(*again));
    Wipe(*typed);
    if (again) Wipe(*again);
    return result;
}

EditResult ChangeSecurity(Session& session, SecuritySettings& settings) {
    EditResult edit = session.store().edits().changeSecurity(settings);
    if (!edit.offer) return edit;
    MessageRequest question;
    question.text = *edit.offer;
    question.icon = MessageIcon::Question;
    question.buttons = MessageButtons::YesNo;
    question.defaultAnswer = MessageAnswer::Yes;
    if (session.host().showMessage(question) == MessageAnswer::Yes) {
        settings.answerMode = edit.offeredAnswerMode;
    } else {
        settings.weakAnswersAccepted = true;
    }
    return session.store().edits().changeSecurity(settings);
}

void PrintNotice(const EditResult& edit) {
    if (edit.notice) Console::printError(Utf16ToUtf8(*edit.notice));
}

bool ConfirmUsualForm(Session& session, const std::string& name) {
    MessageRequest question;
    question.text =
        u"Anyone who can copy the file will be able to read every password in it. Save the profile \"" +
        Utf8ToUtf16(name) + u"\" in the usual form?";
    question.icon = MessageIcon::Exclamation;
    question.buttons = MessageButtons::YesNo;
    question.defaultAnswer = MessageAnswer::No;
    if (session.host().showMessage(question) == MessageAnswer::Yes) return true;
    Console::printError("keyloft-cli: the profile \"" + name + "\" stays sealed (not confirmed)");
    return false;
}

}  // namespace keyloft::cli
