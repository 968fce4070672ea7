#include "app/app_start.h"

int main(int argc, char** argv) { return keyloft::RunKeyloft(argc, argv); }
