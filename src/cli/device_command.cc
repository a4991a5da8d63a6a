#include "cli/device_command.h"

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/report_command.h"
#include "device/drive_ceiling.h"
#include "machine/system_info.h"
#include "messages/messages.h"
#include "reporters/readable_number.h"
#include "runs/json_fields.h"
#include "runs/manifest.h"

namespace {

constexpr char kDeviceSchema[] = "drives-device/1";

void Line(const char* what, const std::optional<double>& value,
          const char* unit) {
  if (!value) return;
  char text[128];
  std::snprintf(text, sizeof text, "  %-32s %10s %s\n", what,
                ReadableNumber(*value).c_str(), unit);
  std::cout << text;
}

}  // namespace

int RunDevice(const DeviceOptions& options) {
  std::error_code code;
  if (!std::filesystem::is_directory(options.directory, code)) {
    PrintError(options.directory + ": no such directory");
    return kUnreadable;
  }
  const int streams =
      options.streams > 0 ? options.streams : DefaultTeamStreams();
  const DriveCeiling c = MeasureCeiling(options.directory, streams);
  const MachineDescription machine = DescribeMachine(options.directory);
  if (options.format == "json") {
    nlohmann::ordered_json out = {
        {"schema", kDeviceSchema},
        {"directory", options.directory},
        {"file_system", machine.fileSystem.value_or("")},
        {"device", machine.device.value_or("")},
        {"drive_ceiling", CeilingToJson(c)}};
    std::cout << json_fields::WithJsonText(out).dump(2) << '\n';
  } else {
    std::cout << "The drive under " << options.directory;
    if (machine.fileSystem) {
      std::cout << ": " << *machine.fileSystem << " on "
                << machine.device.value_or("?");
    }
    std::cout << '\n';
    Line("direct write, one stream", c.directWriteMbS, "MB/s");
    Line("direct read, one stream", c.directReadMbS, "MB/s");
    if (!c.directIoRefused.empty()) {
      std::cout << "  no direct I/O: " << c.directIoRefused << '\n';
    }
    Line("buffered write ended by fsync", c.fsyncWriteMbS, "MB/s");
    Line("small files, each synced", c.syncFilesPerS, "files/s");
    if (c.teamStreams) {
      const std::string streamsText =
          std::to_string(*c.teamStreams) + " streams";
      Line(("direct write, " + streamsText).c_str(), c.teamDirectWriteMbS,
           "MB/s");
      Line(("direct read, " + streamsText).c_str(), c.teamDirectReadMbS,
           "MB/s");
    }
    const std::string device = DeviceText(c.device);
    if (!device.empty()) std::cout << "  device: " << device << '\n';
    if (!c.error.empty()) std::cout << "  not measured: " << c.error << '\n';
    char took[64];
    std::snprintf(took, sizeof took, "Measured in %.1f s.\n", c.seconds);
    std::cout << took;
  }
  if (!c.error.empty()) {
    PrintError(options.directory + ": " + c.error);
    return kUnreadable;
  }
  return kAllRead;
}
