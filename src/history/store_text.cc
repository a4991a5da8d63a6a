#include "history/store_text.h"

std::string DefaultDriveName(const Session& session) {
  return session.machine.host.value_or("unknown machine") + ":" +
         session.machine.device.value_or(
             session.machine.fileSystemId.value_or(session.directory));
}

std::string MachineKey(const MachineDescription& machine) {
  if (machine.machineId) return *machine.machineId;
  return "host:" + machine.host.value_or("");
}

std::string FileSystemText(const std::string& fileSystem,
                           const std::string& device,
                           const std::string& model) {
  std::string text = fileSystem;
  if (!device.empty()) text += (text.empty() ? "" : " on ") + device;
  if (!model.empty()) text += " (" + model + ")";
  return text;
}
