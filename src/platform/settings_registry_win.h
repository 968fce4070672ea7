#pragma once
// The registry's settings with the opening of the machine's key for writing passed in, so that a
// test can stand in for a user whom the key's access rules refuse (Wine does not check them).
#ifdef _WIN32

#include <windows.h>

#include <memory>

#include "store/settings_store.h"

namespace keyloft::platform {

// Opens a setting's key (a path below HKEY_CLASSES_ROOT) for writing; the registry's answer.
using MachineKeyOpener = LONG (*)(const char* path, HKEY* key);

// The settings without the record of seen profiles that CreateUserSettingsStore adds.
std::unique_ptr<SettingsStore> CreateRegistrySettings(MachineKeyOpener openForWriting);

}  // namespace keyloft::platform

#endif  // _WIN32
