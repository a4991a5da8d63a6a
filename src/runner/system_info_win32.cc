#include <windows.h>

#include <string>

#include "runner/system_info.h"

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

  char volume[MAX_PATH];
  if (GetVolumePathNameA(directory.c_str(), volume, sizeof volume)) {
    m.device = std::string(volume);
    char fileSystem[MAX_PATH];
    if (GetVolumeInformationA(volume, nullptr, 0, nullptr, nullptr, nullptr,
                              fileSystem, sizeof fileSystem)) {
      m.fileSystem = std::string(fileSystem);
    }
  }
  ULARGE_INTEGER available{};
  ULARGE_INTEGER total{};
  if (GetDiskFreeSpaceExA(directory.c_str(), &available, &total, nullptr)) {
    m.totalBytes = total.QuadPart;
    m.freeBytes = available.QuadPart;
  }
  return m;
}

bool CanDropFileCache(std::string& why) {
  why = "dropping the file cache is not supported on Windows";
  return false;
}

bool DropFileCache(std::string& error) {
  CanDropFileCache(error);
  return false;
}
