// What both stores of the history write and say alike: a drive's default
// name, a machine's key, and a file system in words.
#ifndef DRIVES_HISTORY_STORE_TEXT_H_
#define DRIVES_HISTORY_STORE_TEXT_H_

#include <string>

#include "history/session.h"

// "lab-7:/dev/sda1": the machine and the device (else the file system's
// ID, else the directory) a session ran on.
std::string DefaultDriveName(const Session& session);

// What tells a machine from every other: its ID, else its host name.
std::string MachineKey(const MachineDescription& machine);

// "ext4 on /dev/sda1 (Samsung SSD 860)".
std::string FileSystemText(const std::string& fileSystem,
                           const std::string& device, const std::string& model);

#endif  // DRIVES_HISTORY_STORE_TEXT_H_
