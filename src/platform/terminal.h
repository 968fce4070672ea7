#pragma once
// The terminal a command-line program runs in: whether its standard streams are a terminal (or a
// console window), lines typed there, echo switched off for secrets, waiting for input, and the
// command line and standard streams made ready for UTF-8 before the program starts.

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace keyloft::platform {

bool InputIsTerminal();
bool OutputIsTerminal();

// One line typed at the terminal, as UTF-8 without its line ending; nothing at the end of input.
// A Windows console is read in UTF-16, so that any character typed arrives as it is, and Ctrl+Z
// alone on a line ends the input.
std::optional<std::string> ReadTerminalLine();

// The terminal's echo, off while the object lives and back on afterwards, also when the program
// is interrupted meanwhile. Nothing happens when standard input is not a terminal.
class EchoOff {
  public:
    EchoOff();
    ~EchoOff();
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

  private:
    bool active_ = false;
};

// Waits until standard input has something to read (or has ended), at most `timeout`; false when
// the time ran out first. A file is always ready; a failure counts as ready (the read shows it).
bool WaitForInput(std::chrono::milliseconds timeout);

// The program's arguments as UTF-8, the program's name first: on Windows they are taken from the
// UTF-16 command line (main() gets them in the ANSI code page, which cannot hold most text).
// Nothing when the command line cannot be read.
std::optional<std::vector<std::string>> Utf8Arguments(int argc, char** argv);

// Standard input and output carry bytes as they are (on Windows: no "\r\n" for "\n", no end at
// Ctrl+Z), and a console shows UTF-8 output as text.
void UseUtf8StandardStreams();

}  // namespace keyloft::platform
