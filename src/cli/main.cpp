#include "cli/cli_app.h"
#include "platform/platform_core.h"

int main(int argc, char** argv) {
    keyloft::platform::DisableCoreDumps();
    return keyloft::cli::RunCli(argc, argv);
}
