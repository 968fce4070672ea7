#include "app/app_start.h"
#include "platform/platform_core.h"

int main(int argc, char** argv) {
    keyloft::platform::DisableCoreDumps();
    return keyloft::RunKeyloft(argc, argv);
}
