// Direct I/O with FILE_FLAG_NO_BUFFERING and FILE_FLAG_WRITE_THROUGH, and
// the device as IOCTL_STORAGE_QUERY_PROPERTY tells it.
#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <string>

#include "device/direct_io.h"
#include "device/drive_ceiling.h"

namespace {

std::string Cause(const char* what) {
  return std::string(what) + ": Windows error " +
         std::to_string(GetLastError());
}

class WindowsFile : public CeilingFile {
 public:
  explicit WindowsFile(HANDLE handle) : handle_(handle) {}
  ~WindowsFile() override { CloseHandle(handle_); }
  bool Write(const unsigned char* block, std::size_t bytes,
             std::string& error) override {
    DWORD written = 0;
    if (WriteFile(handle_, block, static_cast<DWORD>(bytes), &written,
                  nullptr) &&
        written == bytes) {
      return true;
    }
    error = Cause("WriteFile");
    return false;
  }
  long long Read(unsigned char* block, std::size_t bytes,
                 std::string& error) override {
    DWORD read = 0;
    if (!ReadFile(handle_, block, static_cast<DWORD>(bytes), &read, nullptr)) {
      error = Cause("ReadFile");
      return -1;
    }
    return read;
  }
  bool Sync(std::string& error) override {
    if (FlushFileBuffers(handle_)) return true;
    error = Cause("FlushFileBuffers");
    return false;
  }

 private:
  HANDLE handle_;
};

// The storage property `id` of the disk under `volume` ("\\\\.\\C:") into
// `buffer`; the bytes returned, 0 where it cannot be had.
DWORD QueryProperty(HANDLE volume, STORAGE_PROPERTY_ID id, void* buffer,
                    DWORD size) {
  STORAGE_PROPERTY_QUERY query{};
  query.PropertyId = id;
  query.QueryType = PropertyStandardQuery;
  DWORD returned = 0;
  if (!DeviceIoControl(volume, IOCTL_STORAGE_QUERY_PROPERTY, &query,
                       sizeof query, buffer, size, &returned, nullptr)) {
    return 0;
  }
  return returned;
}

const char* BusName(STORAGE_BUS_TYPE bus) {
  switch (bus) {
    case BusTypeScsi:
      return "SCSI";
    case BusTypeAtapi:
      return "ATAPI";
    case BusTypeAta:
      return "ATA";
    case BusTypeUsb:
      return "USB";
    case BusTypeRAID:
      return "RAID";
    case BusTypeiScsi:
      return "iSCSI";
    case BusTypeSas:
      return "SAS";
    case BusTypeSata:
      return "SATA";
    case BusTypeSd:
      return "SD";
    case BusTypeMmc:
      return "MMC";
    case BusTypeVirtual:
      return "virtual";
    case BusTypeFileBackedVirtual:
      return "file-backed virtual";
    case BusTypeSpaces:
      return "Storage Spaces";
    case BusTypeNvme:
      return "NVMe";
    default:
      return nullptr;
  }
}

}  // namespace

AlignedBuffer::AlignedBuffer(std::size_t bytes) {
  // Page-aligned, which every sector size divides.
  data_ = static_cast<unsigned char*>(
      VirtualAlloc(nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
}

AlignedBuffer::~AlignedBuffer() {
  if (data_ != nullptr) VirtualFree(data_, 0, MEM_RELEASE);
}

std::unique_ptr<CeilingFile> CeilingFile::Open(const std::string& path,
                                               Kind kind, bool reading,
                                               bool& refused,
                                               std::string& error) {
  DWORD flags = FILE_ATTRIBUTE_NORMAL;
  if (kind == Kind::kDirect) {
    flags = FILE_FLAG_NO_BUFFERING | FILE_FLAG_WRITE_THROUGH;
  }
  const HANDLE handle = CreateFileA(
      path.c_str(), reading ? GENERIC_READ : GENERIC_WRITE, 0, nullptr,
      reading ? OPEN_EXISTING : CREATE_ALWAYS, flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    refused =
        kind == Kind::kDirect && GetLastError() == ERROR_INVALID_PARAMETER;
    error = refused ? "the file system refuses unbuffered I/O"
                    : Cause(("cannot open " + path).c_str());
    return nullptr;
  }
  return std::make_unique<WindowsFile>(handle);
}

bool WriteSmallFileSynchronously(const std::string& path,
                                 const unsigned char* data, std::size_t bytes,
                                 std::string& error) {
  const HANDLE handle =
      CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = Cause("CreateFile");
    return false;
  }
  DWORD written = 0;
  const bool ok =
      WriteFile(handle, data, static_cast<DWORD>(bytes), &written, nullptr) &&
      written == bytes && FlushFileBuffers(handle);
  if (!ok) error = Cause("WriteFile and FlushFileBuffers");
  return CloseHandle(handle) && ok;
}

DeviceFacts DescribeDevice(const std::string& directory) {
  DeviceFacts facts;
  char volume[MAX_PATH] = "";
  if (!GetVolumePathNameA(directory.c_str(), volume, sizeof volume) ||
      std::strlen(volume) < 2 || volume[1] != ':') {
    return facts;
  }
  const std::string device = std::string("\\\\.\\") + volume[0] + ":";
  const HANDLE handle =
      CreateFileA(device.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return facts;
  char buffer[1024] = {};
  const DWORD returned =
      QueryProperty(handle, StorageDeviceProperty, buffer, sizeof buffer);
  const auto* descriptor =
      reinterpret_cast<const STORAGE_DEVICE_DESCRIPTOR*>(buffer);
  if (returned >= sizeof *descriptor) {
    if (const char* bus = BusName(descriptor->BusType)) facts.bus = bus;
    facts.virtualDisk = descriptor->BusType == BusTypeVirtual ||
                        descriptor->BusType == BusTypeFileBackedVirtual;
    if (descriptor->ProductIdOffset != 0 &&
        descriptor->ProductIdOffset < returned) {
      std::string model(buffer + descriptor->ProductIdOffset,
                        strnlen(buffer + descriptor->ProductIdOffset,
                                returned - descriptor->ProductIdOffset));
      model.erase(model.find_last_not_of(' ') + 1);
      if (!model.empty()) facts.model = model;
    }
  }
  STORAGE_ACCESS_ALIGNMENT_DESCRIPTOR alignment{};
  if (QueryProperty(handle, StorageAccessAlignmentProperty, &alignment,
                    sizeof alignment) >= sizeof alignment) {
    facts.logicalSectorBytes =
        static_cast<int>(alignment.BytesPerLogicalSector);
    facts.physicalSectorBytes =
        static_cast<int>(alignment.BytesPerPhysicalSector);
  }
  DEVICE_SEEK_PENALTY_DESCRIPTOR seek{};
  if (QueryProperty(handle, StorageDeviceSeekPenaltyProperty, &seek,
                    sizeof seek) >= sizeof seek) {
    facts.rotational = seek.IncursSeekPenalty != FALSE;
  }
  CloseHandle(handle);
  const std::string who = facts.model.value_or("");
  for (const char* mark : {"QEMU", "VMware", "VBOX", "Virtual"}) {
    if (who.find(mark) != std::string::npos) facts.virtualDisk = true;
  }
  return facts;
}
