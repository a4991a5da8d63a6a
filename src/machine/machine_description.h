// Where a sweep ran, as a reader of a comparison needs to know it. A value
// that could not be had is absent, never guessed.
#ifndef DRIVES_MACHINE_MACHINE_DESCRIPTION_H_
#define DRIVES_MACHINE_MACHINE_DESCRIPTION_H_

#include <cstdint>
#include <optional>
#include <string>

struct MachineDescription {
  std::optional<std::string> host;  // the machine's name
  // What tells this machine from every other, for a fleet's history: its
  // /etc/machine-id, the Windows machine GUID. (A cloned machine keeps its
  // original's until it is given a new one.)
  std::optional<std::string> machineId;
  std::optional<std::string> osName;     // "Debian GNU/Linux 12 (bookworm)"
  std::optional<std::string> osVersion;  // "Linux 6.1.0-18-amd64 x86_64"
  std::optional<std::string> processor;  // the model name
  std::optional<int> logicalCores;
  std::optional<std::uint64_t> memoryBytes;
  // The run directory's file system and the device or volume it is on.
  std::optional<std::string> fileSystem;  // "ext4", "NTFS"
  std::optional<std::string> device;      // "/dev/nvme0n1p2", "C:\"
  // What tells this file system from every other: its UUID where one can be
  // found, else its device and file-system ID; on Windows the volume's
  // serial number.
  std::optional<std::string> fileSystemId;
  std::optional<std::string> deviceModel;  // as the device names itself
  std::optional<std::uint64_t> totalBytes;
  std::optional<std::uint64_t> freeBytes;
};

#endif  // DRIVES_MACHINE_MACHINE_DESCRIPTION_H_
