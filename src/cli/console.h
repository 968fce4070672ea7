#pragma once
// The terminal side of keyloft-cli: questions, secrets and lines read from standard input, prompts
// and messages written to standard error. Secrets are read without echo on a terminal; when
// standard input is not a terminal they are read one per line, without prompts.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace keyloft::cli {

class Console {
  public:
    Console();
    bool interactive() const { return interactive_; }

    // One line of input (line ending removed), or nothing at end of input.
    std::optional<std::string> readLine(std::string_view prompt);
    // As readLine, with echo switched off on a terminal.
    std::optional<std::string> readSecret(std::string_view prompt);
    // A yes/no question on the terminal; default when only Enter is pressed or input ends.
    bool askYesNo(std::string_view question, bool defaultYes);
    // Waits until a line (or the end of the input) can be read, at most `timeout`; false when the
    // time ran out first. Text already read ahead counts.
    bool waitForInput(std::chrono::milliseconds timeout);

    static void printError(std::string_view text);  // text and a line break on standard error

  private:
    bool interactive_ = false;
};

}  // namespace keyloft::cli
