#include "cli/cli_app.h"

int main(int argc, char** argv) {
    return keyloft::cli::RunCli(argc, argv);
}
