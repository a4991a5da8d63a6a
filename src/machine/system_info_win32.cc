#include <windows.h>
#include <winioctl.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "machine/system_info.h"

namespace {

std::optional<std::string> RegistryString(HKEY root, const char* key,
                                          const char* name) {
  char value[512];
  DWORD size = sizeof value;
  if (RegGetValueA(root, key, name, RRF_RT_REG_SZ, nullptr, value, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::string text(value);
  text.erase(0, text.find_first_not_of(' '));
  text.erase(text.find_last_not_of(' ') + 1);
  if (text.empty()) return std::nullopt;
  return text;
}

// The version the system reports of itself; GetVersionEx() would report
// the version this program was marked for instead.
std::optional<std::string> SystemVersion() {
  using RtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  if (ntdll == nullptr) return std::nullopt;
  const auto get = reinterpret_cast<RtlGetVersion>(
      reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (get == nullptr || get(&info) != 0) return std::nullopt;
  return "Windows " + std::to_string(info.dwMajorVersion) + "." +
         std::to_string(info.dwMinorVersion) + "." +
         std::to_string(info.dwBuildNumber);
}

// The model the disk holding `volume` ("C:\\") reports; asking needs no
// access rights to the device.
std::optional<std::string> DeviceModel(const std::string& volume) {
  if (volume.size() < 2 || volume[1] != ':') return std::nullopt;
  const std::string device = "\\\\.\\" + volume.substr(0, 2);
  const HANDLE handle =
      CreateFileA(device.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  STORAGE_PROPERTY_QUERY query{};
  query.PropertyId = StorageDeviceProperty;
  query.QueryType = PropertyStandardQuery;
  char buffer[1024] = {};
  DWORD returned = 0;
  const BOOL ok =
      DeviceIoControl(handle, IOCTL_STORAGE_QUERY_PROPERTY, &query,
                      sizeof query, buffer, sizeof buffer, &returned, nullptr);
  CloseHandle(handle);
  const auto* descriptor =
      reinterpret_cast<const STORAGE_DEVICE_DESCRIPTOR*>(buffer);
  if (!ok || returned < sizeof *descriptor ||
      descriptor->ProductIdOffset == 0 ||
      descriptor->ProductIdOffset >= returned) {
    return std::nullopt;
  }
  std::string model(buffer + descriptor->ProductIdOffset,
                    strnlen(buffer + descriptor->ProductIdOffset,
                            returned - descriptor->ProductIdOffset));
  model.erase(model.find_last_not_of(' ') + 1);
  if (model.empty()) return std::nullopt;
  return model;
}

}  // namespace

MachineDescription DescribeMachine(const std::string& directory) {
  MachineDescription m;
  m.osName = RegistryString(HKEY_LOCAL_MACHINE,
                            "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                            "ProductName");
  m.osVersion = SystemVersion();
  m.processor = RegistryString(
      HKEY_LOCAL_MACHINE, "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0",
      "ProcessorNameString");
  SYSTEM_INFO system{};
  GetSystemInfo(&system);
  if (system.dwNumberOfProcessors > 0) {
    m.logicalCores = static_cast<int>(system.dwNumberOfProcessors);
  }
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  if (GlobalMemoryStatusEx(&memory)) m.memoryBytes = memory.ullTotalPhys;

  char host[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD hostSize = sizeof host;
  if (GetComputerNameA(host, &hostSize)) m.host = std::string(host, hostSize);
  // The machine GUID that Windows sets up once per installation, in the
  // 64-bit registry view whatever this program's word size.
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Cryptography", 0,
                    KEY_READ | KEY_WOW64_64KEY, &key) == ERROR_SUCCESS) {
    char guid[64] = "";
    DWORD guidSize = sizeof guid - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key, "MachineGuid", nullptr, &type,
                         reinterpret_cast<BYTE*>(guid),
                         &guidSize) == ERROR_SUCCESS &&
        type == REG_SZ && guid[0] != '\0') {
      m.machineId = std::string(guid);
    }
    RegCloseKey(key);
  }
  char volume[MAX_PATH];
  if (GetVolumePathNameA(directory.c_str(), volume, sizeof volume)) {
    m.device = std::string(volume);
    char fileSystem[MAX_PATH];
    DWORD serial = 0;
    if (GetVolumeInformationA(volume, nullptr, 0, &serial, nullptr, nullptr,
                              fileSystem, sizeof fileSystem)) {
      m.fileSystem = std::string(fileSystem);
      char id[32];
      std::snprintf(id, sizeof id, "volume %04lX-%04lX",
                    static_cast<unsigned long>(serial >> 16),
                    static_cast<unsigned long>(serial & 0xFFFF));
      m.fileSystemId = id;
    }
    m.deviceModel = DeviceModel(volume);
  }
  ULARGE_INTEGER available{};
  ULARGE_INTEGER total{};
  if (GetDiskFreeSpaceExA(directory.c_str(), &available, &total, nullptr)) {
    m.totalBytes = total.QuadPart;
    m.freeBytes = available.QuadPart;
  }
  return m;
}

std::optional<std::string> MemoryDirectory() { return std::nullopt; }

bool CanDropFileCache(std::string& why) {
  why = "dropping the file cache is not supported on Windows";
  return false;
}

bool DropFileCache(std::string& error) {
  CanDropFileCache(error);
  return false;
}

bool CanSettle(std::string& why) {
  why = "waiting for written data to settle is not supported on Windows";
  return false;
}

double SettleWrites() { return 0; }

// Windows tells no stolen time, and no CPU time of ended children.
std::optional<CpuTimes> ReadCpuTimes() { return std::nullopt; }
