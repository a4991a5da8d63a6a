// What a sweep records of the machine, and the file cache it may drop. One
// implementation per platform: system_info_posix.cc, system_info_win32.cc.
#ifndef DRIVES_MACHINE_SYSTEM_INFO_H_
#define DRIVES_MACHINE_SYSTEM_INFO_H_

#include <optional>
#include <string>

#include "machine/machine_description.h"

// The machine, and `directory`'s file system and device.
MachineDescription DescribeMachine(const std::string& directory);

// A directory on a memory file system for a control run (/dev/shm), where
// the system has one of its own.
std::optional<std::string> MemoryDirectory();

// Whether DropFileCache() can work here; `why` says why not.
bool CanDropFileCache(std::string& why);
// Writes what is cached back to disk and drops the cache; false with
// `error` set when it fails.
bool DropFileCache(std::string& error);

// Whether SettleWrites() can work here; `why` says why not.
bool CanSettle(std::string& why);
// Flushes written data to disk and waits until little is left waiting to
// be written, or a time cap; returns the seconds it took.
double SettleWrites();

// Where the kernel tells them, since some fixed moment: the machine's busy
// CPU time and the time stolen from it by a hypervisor, and the CPU time of
// this process and of its children that ended, in seconds.
struct CpuTimes {
  double busy = 0;
  double steal = 0;
  double self = 0;
  double children = 0;
};
std::optional<CpuTimes> ReadCpuTimes();

#endif  // DRIVES_MACHINE_SYSTEM_INFO_H_
