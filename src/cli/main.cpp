#include <optional>
#include <string>
#include <vector>

#include "cli/cli_app.h"
#include "platform/platform_core.h"
#include "platform/terminal.h"

int main(int argc, char** argv) {
    keyloft::platform::DisableCoreDumps();
    std::optional<std::vector<std::string>> arguments = keyloft::platform::Utf8Arguments(argc, argv);
    if (!arguments) {
        return 2;
    }
    std::vector<char*> pointers;
    for (std::string& argument : *arguments) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);
    keyloft::platform::UseUtf8StandardStreams();
    return keyloft::cli::RunCli(static_cast<int>(arguments->size()), pointers.data());
}
