// What both stores of the history write and say alike: a drive's default
// name, a machine's key, a file system in words, and a server's connection
// string with its password masked.
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

// `location` with any password in it replaced by "***": the user:password
// of a URI, its password= parameter, a password= word; anything else as it
// is.
std::string MaskPassword(const std::string& location);

#endif  // DRIVES_HISTORY_STORE_TEXT_H_
