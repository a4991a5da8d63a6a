// drives-report device [DIR]: the drive's own ceiling, as a sweep measures
// it first, on its own.
#ifndef DRIVES_CLI_DEVICE_COMMAND_H_
#define DRIVES_CLI_DEVICE_COMMAND_H_

#include <string>

struct DeviceOptions {
  std::string directory = ".";
  int streams = 0;  // a team's streams; 0: the machine's cores, up to 16
  std::string format = "table";  // or "json"
};

int RunDevice(const DeviceOptions& options);

#endif  // DRIVES_CLI_DEVICE_COMMAND_H_
