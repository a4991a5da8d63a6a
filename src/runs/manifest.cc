#include "runs/manifest.h"

#include <array>
#include <ctime>
#include <utility>

#include "messages/utf8_text.h"
#include "runs/json_fields.h"

namespace {

using json_fields::Bytes;
using json_fields::Flag;
using json_fields::Int;
using json_fields::Json;
using json_fields::Number;
using json_fields::OptionalInt;
using json_fields::OptionalNumber;
using json_fields::String;

constexpr std::array<std::pair<RunStatus, const char*>, 4> kStatusNames = {{
    {RunStatus::kOk, "ok"},
    {RunStatus::kFailed, "failed"},
    {RunStatus::kTimedOut, "timed out"},
    {RunStatus::kInterrupted, "interrupted"},
}};

template <typename T>
void PutIfSet(Json& json, const char* key, const std::optional<T>& value) {
  if (value) json[key] = *value;
}

Json ProbeJson(const std::optional<ProbeTimes>& probe) {
  if (!probe) return Json();
  return {{"memory_s", probe->memorySeconds}, {"disk_s", probe->diskSeconds}};
}

std::optional<ProbeTimes> ProbeFromJson(const Json& json, const char* key) {
  const auto it = json.find(key);
  if (it == json.end() || !it->is_object()) return std::nullopt;
  return ProbeTimes{Number(*it, "memory_s"), Number(*it, "disk_s")};
}

MachineDescription MachineFromJson(const Json& json) {
  MachineDescription m;
  if (!json.is_object()) return m;
  m.host = String(json, "host");
  m.machineId = String(json, "machine_id");
  m.osName = String(json, "os_name");
  m.osVersion = String(json, "os_version");
  m.processor = String(json, "processor");
  m.logicalCores = Int(json, "logical_cores");
  m.memoryBytes = Bytes(json, "memory_bytes");
  m.fileSystem = String(json, "file_system");
  m.device = String(json, "device");
  m.fileSystemId = String(json, "file_system_id");
  m.deviceModel = String(json, "device_model");
  m.totalBytes = Bytes(json, "total_bytes");
  m.freeBytes = Bytes(json, "free_bytes");
  return m;
}

// A number the JSON holds, or null.
template <typename T>
Json OrNull(const std::optional<T>& value) {
  return value ? Json(*value) : Json();
}

RunEntry RunFromJson(const Json& json) {
  RunEntry run;
  run.index = Int(json, "index", 1).value_or(0);
  run.round = Int(json, "round", 0).value_or(0);
  run.warmup = Flag(json, "warmup");
  run.threads = Int(json, "threads", 1);
  run.start = String(json, "start").value_or("");
  run.wallSeconds = Number(json, "wall_s");
  run.status = RunStatusFromName(String(json, "status").value_or(""));
  run.exitStatus = Int(json, "exit_status");
  run.signal = Int(json, "signal", 0);
  run.reason = String(json, "reason").value_or("");
  run.resultsFile = String(json, "results_file").value_or("");
  run.consoleFile = String(json, "console_file").value_or("");
  run.errorFile = String(json, "stderr_file").value_or("");
  run.probeBefore = ProbeFromJson(json, "probe_before");
  run.probeAfter = ProbeFromJson(json, "probe_after");
  run.disturbed = Flag(json, "disturbed");
  run.stealSeconds = OptionalNumber(json, "steal_s");
  run.otherCpuSeconds = OptionalNumber(json, "other_cpu_s");
  run.settleSeconds = OptionalNumber(json, "settle_s");
  run.clients = Int(json, "clients", 1);
  run.clientsFolder = String(json, "clients_folder").value_or("");
  return run;
}

}  // namespace

RunStatus RunStatusFromName(const std::string& name) {
  for (const auto& [value, text] : kStatusNames) {
    if (name == text) return value;
  }
  return RunStatus::kFailed;
}

const char* RunStatusName(RunStatus status) {
  for (const auto& [value, name] : kStatusNames) {
    if (value == status) return name;
  }
  return "failed";
}

std::string UtcNow() {
  const std::time_t now = std::time(nullptr);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", std::gmtime(&now));
  return text;
}

Json MachineToJson(const MachineDescription& m) {
  Json json = Json::object();
  PutIfSet(json, "host", m.host);
  PutIfSet(json, "machine_id", m.machineId);
  PutIfSet(json, "os_name", m.osName);
  PutIfSet(json, "os_version", m.osVersion);
  PutIfSet(json, "processor", m.processor);
  PutIfSet(json, "logical_cores", m.logicalCores);
  PutIfSet(json, "memory_bytes", m.memoryBytes);
  PutIfSet(json, "file_system", m.fileSystem);
  PutIfSet(json, "device", m.device);
  PutIfSet(json, "file_system_id", m.fileSystemId);
  PutIfSet(json, "device_model", m.deviceModel);
  PutIfSet(json, "total_bytes", m.totalBytes);
  PutIfSet(json, "free_bytes", m.freeBytes);
  return json;
}

Json ManifestToJson(const Manifest& manifest) {
  Json counts = Json::array();
  for (const auto& count : manifest.threadCounts) {
    counts.push_back(OptionalInt(count));
  }
  Json runs = Json::array();
  for (const RunEntry& run : manifest.runs) {
    Json entry = {{"index", run.index},
                  {"round", run.round},
                  {"warmup", run.warmup},
                  {"threads", OptionalInt(run.threads)},
                  {"start", run.start},
                  {"wall_s", run.wallSeconds},
                  {"status", RunStatusName(run.status)},
                  {"exit_status", OptionalInt(run.exitStatus)},
                  {"signal", OptionalInt(run.signal)},
                  {"reason", run.reason},
                  {"results_file", run.resultsFile},
                  {"console_file", run.consoleFile},
                  {"stderr_file", run.errorFile},
                  {"probe_before", ProbeJson(run.probeBefore)},
                  {"probe_after", ProbeJson(run.probeAfter)},
                  {"disturbed", run.disturbed}};
    PutIfSet(entry, "steal_s", run.stealSeconds);
    PutIfSet(entry, "other_cpu_s", run.otherCpuSeconds);
    PutIfSet(entry, "settle_s", run.settleSeconds);
    if (run.clients) {
      entry["clients"] = *run.clients;
      entry["clients_folder"] = run.clientsFolder;
    }
    runs.push_back(std::move(entry));
  }
  Json unreachable = Json::array();
  for (const Unreachable& u : manifest.unreachable) {
    unreachable.push_back({{"threads", OptionalInt(u.threads)},
                           {"figure", u.figure},
                           {"precision", u.precision},
                           {"runs_needed", u.runsNeeded}});
  }
  Json plan = {
      {"runs_per_thread_count", manifest.runsPerCount},
      {"thread_counts", std::move(counts)},
      {"timeout_s", manifest.timeoutSeconds},
      {"drop_caches", manifest.dropCaches},
      {"warmup", manifest.warmup},
      {"settle", manifest.settle},
      {"precision", manifest.precision ? Json(*manifest.precision) : Json()},
      {"max_runs", manifest.maxRuns},
      {"max_time_s",
       manifest.maxTimeSeconds ? Json(*manifest.maxTimeSeconds) : Json()},
      {"seed", manifest.seed ? Json(*manifest.seed) : Json()}};
  Json out = {{"schema", kManifestSchema},
              {"program",
               {{"path", manifest.programPath},
                {"word_size", OptionalInt(manifest.wordSize)}}},
              {"command", manifest.command},
              {"directory", manifest.directory},
              {"created", manifest.created},
              {"plan", std::move(plan)},
              {"machine", MachineToJson(manifest.machine)},
              {"runs", std::move(runs)},
              {"unreachable", std::move(unreachable)},
              {"complete", manifest.complete}};
  if (!manifest.label.empty()) out["label"] = manifest.label;
  if (!manifest.role.empty()) out["role"] = manifest.role;
  if (!manifest.directories.empty()) {
    Json directories = Json::array();
    for (const SweepDirectory& d : manifest.directories) {
      directories.push_back({{"path", d.path},
                             {"label", d.label},
                             {"role", d.role},
                             {"folder", d.folder}});
    }
    out["directories"] = std::move(directories);
  }
  if (manifest.driveCeiling) {
    out["drive_ceiling"] = CeilingToJson(*manifest.driveCeiling);
  }
  return out;
}

nlohmann::ordered_json CeilingToJson(const DriveCeiling& c) {
  const DeviceFacts& d = c.device;
  nlohmann::ordered_json device = {
      {"rotational", OrNull(d.rotational)},
      {"model", OrNull(d.model)},
      {"logical_sector_bytes", OrNull(d.logicalSectorBytes)},
      {"physical_sector_bytes", OrNull(d.physicalSectorBytes)},
      {"bus", OrNull(d.bus)},
      {"link_gt_s", OrNull(d.linkGigatransfers)},
      {"link_width", OrNull(d.linkWidth)},
      {"link_mb_s", OrNull(d.linkMbS)},
      {"virtual", d.virtualDisk},
      {"memory_backed", d.memoryBacked}};
  return {
      {"direct_write_mb_s", OrNull(c.directWriteMbS)},
      {"direct_read_mb_s", OrNull(c.directReadMbS)},
      {"fsync_write_mb_s", OrNull(c.fsyncWriteMbS)},
      {"sync_files_per_s", OrNull(c.syncFilesPerS)},
      {"team_streams", OrNull(c.teamStreams)},
      {"team_direct_write_mb_s", OrNull(c.teamDirectWriteMbS)},
      {"team_direct_read_mb_s", OrNull(c.teamDirectReadMbS)},
      {"direct_io_refused", c.directIoRefused.empty()
                                ? nlohmann::ordered_json()
                                : nlohmann::ordered_json(c.directIoRefused)},
      {"error", c.error.empty() ? nlohmann::ordered_json()
                                : nlohmann::ordered_json(c.error)},
      {"seconds", c.seconds},
      {"device", std::move(device)}};
}

DriveCeiling CeilingFromJson(const Json& json) {
  DriveCeiling c;
  if (!json.is_object()) return c;
  c.directWriteMbS = OptionalNumber(json, "direct_write_mb_s");
  c.directReadMbS = OptionalNumber(json, "direct_read_mb_s");
  c.fsyncWriteMbS = OptionalNumber(json, "fsync_write_mb_s");
  c.syncFilesPerS = OptionalNumber(json, "sync_files_per_s");
  c.teamStreams = Int(json, "team_streams", 1);
  c.teamDirectWriteMbS = OptionalNumber(json, "team_direct_write_mb_s");
  c.teamDirectReadMbS = OptionalNumber(json, "team_direct_read_mb_s");
  c.directIoRefused = String(json, "direct_io_refused").value_or("");
  c.error = String(json, "error").value_or("");
  c.seconds = Number(json, "seconds");
  const Json device = json.value("device", Json::object());
  if (device.is_object()) {
    DeviceFacts& d = c.device;
    if (device.contains("rotational") && device["rotational"].is_boolean()) {
      d.rotational = device["rotational"].get<bool>();
    }
    d.model = String(device, "model");
    d.logicalSectorBytes = Int(device, "logical_sector_bytes");
    d.physicalSectorBytes = Int(device, "physical_sector_bytes");
    d.bus = String(device, "bus");
    d.linkGigatransfers = OptionalNumber(device, "link_gt_s");
    d.linkWidth = Int(device, "link_width");
    d.linkMbS = OptionalNumber(device, "link_mb_s");
    d.virtualDisk = Flag(device, "virtual");
    d.memoryBacked = Flag(device, "memory_backed");
  }
  return c;
}

namespace {

bool ReadManifest(const Json& json, Manifest& manifest, std::string& error) {
  const std::optional<std::string> schema = String(json, "schema");
  if (schema != std::string(kManifestSchema) &&
      schema != std::string(kManifestSchemaOne)) {
    error = std::string("not a manifest of drives-report run (schema \"") +
            kManifestSchema + "\" expected)";
    return false;
  }
  const Json program = json.value("program", Json::object());
  if (program.is_object()) {
    manifest.programPath = String(program, "path").value_or("");
    manifest.wordSize = Int(program, "word_size");
  }
  manifest.directory = String(json, "directory").value_or("");
  manifest.created = String(json, "created").value_or("");
  const auto command = json.find("command");
  if (command != json.end() && command->is_array()) {
    for (const Json& word : *command) {
      if (word.is_string()) {
        manifest.command.push_back(FromJsonText(word.get<std::string>()));
      }
    }
  }
  const Json plan = json.value("plan", Json::object());
  if (plan.is_object()) {
    manifest.runsPerCount = Int(plan, "runs_per_thread_count", 0).value_or(0);
    manifest.timeoutSeconds = Number(plan, "timeout_s");
    const auto counts = plan.find("thread_counts");
    if (counts != plan.end() && counts->is_array()) {
      for (const Json& count : *counts) {
        manifest.threadCounts.push_back(
            Int(Json{{"thread_counts", count}}, "thread_counts", 1));
      }
    }
    manifest.dropCaches = Flag(plan, "drop_caches");
    manifest.warmup = Int(plan, "warmup", 0).value_or(0);
    manifest.settle = Flag(plan, "settle");
    manifest.precision = OptionalNumber(plan, "precision");
    manifest.maxRuns = Int(plan, "max_runs", 0).value_or(0);
    manifest.maxTimeSeconds = OptionalNumber(plan, "max_time_s");
    if (const auto seed = Bytes(plan, "seed")) {
      manifest.seed = static_cast<std::uint32_t>(*seed);
    }
    manifest.hostfile = String(plan, "hostfile").value_or("");
    const auto clients = plan.find("client_counts");
    if (clients != plan.end() && clients->is_array()) {
      for (const Json& count : *clients) {
        const Json field{{"client_counts", count}};
        if (const std::optional<int> n = Int(field, "client_counts", 1)) {
          manifest.clientCounts.push_back(*n);
        }
      }
    }
  }
  manifest.machine = MachineFromJson(json.value("machine", Json::object()));
  const auto runs = json.find("runs");
  if (runs == json.end() || !runs->is_array()) {
    error = "a manifest without its list of runs";
    return false;
  }
  for (const Json& run : *runs) {
    if (run.is_object()) manifest.runs.push_back(RunFromJson(run));
  }
  const auto unreachable = json.find("unreachable");
  if (unreachable != json.end() && unreachable->is_array()) {
    for (const Json& u : *unreachable) {
      if (!u.is_object()) continue;
      manifest.unreachable.push_back(
          {Int(u, "threads"), String(u, "figure").value_or(""),
           Number(u, "precision"), Int(u, "runs_needed").value_or(0)});
    }
  }
  manifest.complete = Flag(json, "complete");
  manifest.label = String(json, "label").value_or("");
  manifest.role = String(json, "role").value_or("");
  const auto directories = json.find("directories");
  if (directories != json.end() && directories->is_array()) {
    for (const Json& d : *directories) {
      if (!d.is_object()) continue;
      manifest.directories.push_back(
          {String(d, "path").value_or(""), String(d, "label").value_or(""),
           String(d, "role").value_or(""), String(d, "folder").value_or("")});
    }
  }
  const auto ceiling = json.find("drive_ceiling");
  if (ceiling != json.end() && ceiling->is_object()) {
    manifest.driveCeiling = CeilingFromJson(*ceiling);
  }
  return true;
}

}  // namespace

bool ManifestFromJson(const std::string& text, Manifest& manifest,
                      std::string& error) {
  if (!json_fields::NestingWithin(text, json_fields::kMostNesting)) {
    error = "nested deeper than " + std::to_string(json_fields::kMostNesting) +
            " levels";
    return false;
  }
  const Json json = Json::parse(text, nullptr, false);
  if (json.is_discarded() || !json.is_object()) {
    error = "not valid JSON";
    return false;
  }
  try {
    return ReadManifest(json, manifest, error);
  } catch (const json_fields::OutOfRange& e) {
    error = e.what();
    return false;
  }
}
