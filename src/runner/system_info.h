// What a sweep records of the machine, and the file cache it may drop. One
// implementation per platform: system_info_posix.cc, system_info_win32.cc.
#ifndef DRIVES_RUNNER_SYSTEM_INFO_H_
#define DRIVES_RUNNER_SYSTEM_INFO_H_

#include <string>

#include "runs/machine_description.h"

// The machine, and `directory`'s file system and device.
MachineDescription DescribeMachine(const std::string& directory);

// Whether DropFileCache() can work here; `why` says why not.
bool CanDropFileCache(std::string& why);
// Writes what is cached back to disk and drops the cache; false with
// `error` set when it fails.
bool DropFileCache(std::string& error);

#endif  // DRIVES_RUNNER_SYSTEM_INFO_H_
