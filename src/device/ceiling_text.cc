#include <cmath>
#include <cstdio>
#include <string>

#include "device/drive_ceiling.h"

namespace {

// "1,750", "12.5": three significant digits at most, thousands grouped.
std::string Figure(double value) {
  char text[64];
  if (value >= 100) {
    std::snprintf(text, sizeof text, "%.0f", std::round(value));
    std::string digits = text;
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) {
      digits.insert(static_cast<std::size_t>(at), ",");
    }
    return digits;
  }
  std::snprintf(text, sizeof text, value >= 10 ? "%.1f" : "%.2f", value);
  return text;
}

void Add(std::string& text, const std::string& part) {
  text += (text.empty() ? "" : ", ") + part;
}

}  // namespace

std::string CeilingText(const DriveCeiling& c) {
  if (!c.error.empty()) return "not measured (" + c.error + ")";
  std::string text;
  if (c.directWriteMbS)
    Add(text, "direct write " + Figure(*c.directWriteMbS) + " MB/s");
  if (c.directReadMbS)
    Add(text, "direct read " + Figure(*c.directReadMbS) + " MB/s");
  if (!c.directIoRefused.empty())
    Add(text, "no direct I/O (" + c.directIoRefused + ")");
  if (c.fsyncWriteMbS)
    Add(text, "write and fsync " + Figure(*c.fsyncWriteMbS) + " MB/s");
  if (c.syncFilesPerS) Add(text, Figure(*c.syncFilesPerS) + " files/s synced");
  if (c.teamStreams && (c.teamDirectWriteMbS || c.teamDirectReadMbS)) {
    std::string team = std::to_string(*c.teamStreams) + " streams at once:";
    if (c.teamDirectWriteMbS)
      team += " direct write " + Figure(*c.teamDirectWriteMbS) + " MB/s";
    if (c.teamDirectReadMbS)
      team += (c.teamDirectWriteMbS ? "," : "") + std::string(" direct read ") +
              Figure(*c.teamDirectReadMbS) + " MB/s";
    text += "; " + team;
  }
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, " (%.1f s)", c.seconds);
  text += seconds;
  const std::string device = DeviceText(c.device);
  if (!device.empty()) text += "; " + device;
  return text;
}

std::string DeviceText(const DeviceFacts& d) {
  std::string text;
  if (d.memoryBacked) return "a memory file system: its ceiling is memory's";
  if (d.model) Add(text, *d.model);
  if (d.bus) Add(text, *d.bus);
  if (d.rotational) Add(text, *d.rotational ? "rotational" : "not rotational");
  if (d.logicalSectorBytes && d.physicalSectorBytes) {
    Add(text, "sectors of " + Figure(*d.logicalSectorBytes) + " and " +
                  Figure(*d.physicalSectorBytes) + " bytes");
  }
  if (d.linkMbS && d.linkGigatransfers && d.linkWidth) {
    char link[96];
    std::snprintf(link, sizeof link, "PCIe %g GT/s x%d (%s MB/s)",
                  *d.linkGigatransfers, *d.linkWidth,
                  Figure(*d.linkMbS).c_str());
    Add(text, link);
  }
  if (d.virtualDisk) {
    text += (text.empty() ? "" : "; ") +
            std::string(
                "a virtual disk: its ceiling is the hypervisor's, "
                "and may be the host's cache");
  }
  return text;
}
