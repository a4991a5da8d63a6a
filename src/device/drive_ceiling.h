// The drive's own speed, measured beside a sweep with the cache out of the
// way (direct I/O, fsync), and what the system tells about the device: the
// ceiling a figure of the benchmark is held against to say whether it
// measured the drive, its file system, or the cache.
#ifndef DRIVES_DEVICE_DRIVE_CEILING_H_
#define DRIVES_DEVICE_DRIVE_CEILING_H_

#include <optional>
#include <string>

struct DeviceFacts {
  std::optional<bool> rotational;
  std::optional<std::string> model;
  std::optional<int> logicalSectorBytes;
  std::optional<int> physicalSectorBytes;
  std::optional<std::string> bus;  // "NVMe", "virtio", "SCSI", "USB", ...
  // Of an NVMe device: its PCIe link, and what the link can carry.
  std::optional<double> linkGigatransfers;  // per second and lane
  std::optional<int> linkWidth;
  std::optional<double> linkMbS;
  bool virtualDisk = false;   // a hypervisor's: its ceiling may be a cache
  bool memoryBacked = false;  // tmpfs, ramfs: the ceiling is memory's
};

struct DriveCeiling {
  // One stream; MB/s in the benchmark's megabytes (2^20 bytes).
  std::optional<double> directWriteMbS;
  std::optional<double> directReadMbS;
  std::optional<double> fsyncWriteMbS;
  std::optional<double> syncFilesPerS;  // create, write 4 KiB, fsync, close
  // As many streams at once as the sweep's largest team: the ceiling of a
  // team's total.
  std::optional<int> teamStreams;
  std::optional<double> teamDirectWriteMbS;
  std::optional<double> teamDirectReadMbS;
  std::string directIoRefused;  // why, where the file system refused it
  std::string error;            // why nothing could be measured
  double seconds = 0;           // what the measurement took
  DeviceFacts device;
};

// The benchmark's megabyte.
constexpr double kMegabyte = 1024.0 * 1024.0;

// The streams of a team's ceiling where none are asked for: as many as the
// team a plain run of the benchmark gets, the machine's cores up to 16.
int DefaultTeamStreams();

// Measures the drive that holds `directory` (files made there and removed
// afterwards), with `streams` streams at once for a team's ceiling (none
// below 2), in about 7 s.
DriveCeiling MeasureCeiling(const std::string& directory, int streams);

// The ceiling in one line: "direct write 950 MB/s, direct read 1,750 MB/s,
// write and fsync 430 MB/s, 1,230 files/s synced; 2 streams: ...".
std::string CeilingText(const DriveCeiling& ceiling);

// What the device is, in a few words: "virtio, not rotational, sectors of
// 512 and 4,096 bytes; a virtual disk: its ceiling is the hypervisor's".
std::string DeviceText(const DeviceFacts& device);

// What the system tells about the device that holds `directory`; one
// implementation per platform.
DeviceFacts DescribeDevice(const std::string& directory);

#endif  // DRIVES_DEVICE_DRIVE_CEILING_H_
