#include "runs/manifest.h"

#include <array>
#include <utility>

namespace {

using Json = nlohmann::ordered_json;

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

Json OptionalInt(const std::optional<int>& value) {
  return value ? Json(*value) : Json();
}

// Readers that take a value only where it has the type expected.
std::optional<std::string> String(const Json& json, const char* key) {
  const auto it = json.find(key);
  if (it == json.end() || !it->is_string()) return std::nullopt;
  return it->get<std::string>();
}

std::optional<int> Int(const Json& json, const char* key) {
  const auto it = json.find(key);
  if (it == json.end() || !it->is_number_integer()) return std::nullopt;
  return it->get<int>();
}

std::optional<std::uint64_t> Bytes(const Json& json, const char* key) {
  const auto it = json.find(key);
  if (it == json.end() || !it->is_number_unsigned()) return std::nullopt;
  return it->get<std::uint64_t>();
}

double Number(const Json& json, const char* key) {
  const auto it = json.find(key);
  return it != json.end() && it->is_number() ? it->get<double>() : 0;
}

MachineDescription MachineFromJson(const Json& json) {
  MachineDescription m;
  if (!json.is_object()) return m;
  m.osName = String(json, "os_name");
  m.osVersion = String(json, "os_version");
  m.processor = String(json, "processor");
  m.logicalCores = Int(json, "logical_cores");
  m.memoryBytes = Bytes(json, "memory_bytes");
  m.fileSystem = String(json, "file_system");
  m.device = String(json, "device");
  m.totalBytes = Bytes(json, "total_bytes");
  m.freeBytes = Bytes(json, "free_bytes");
  return m;
}

RunEntry RunFromJson(const Json& json) {
  RunEntry run;
  run.index = Int(json, "index").value_or(0);
  run.threads = Int(json, "threads");
  run.start = String(json, "start").value_or("");
  run.wallSeconds = Number(json, "wall_s");
  const std::string status = String(json, "status").value_or("");
  run.status = RunStatus::kFailed;
  for (const auto& [value, name] : kStatusNames) {
    if (status == name) run.status = value;
  }
  run.exitStatus = Int(json, "exit_status");
  run.signal = Int(json, "signal");
  run.reason = String(json, "reason").value_or("");
  run.resultsFile = String(json, "results_file").value_or("");
  run.consoleFile = String(json, "console_file").value_or("");
  run.errorFile = String(json, "stderr_file").value_or("");
  return run;
}

}  // namespace

const char* RunStatusName(RunStatus status) {
  for (const auto& [value, name] : kStatusNames) {
    if (value == status) return name;
  }
  return "failed";
}

Json MachineToJson(const MachineDescription& m) {
  Json json = Json::object();
  PutIfSet(json, "os_name", m.osName);
  PutIfSet(json, "os_version", m.osVersion);
  PutIfSet(json, "processor", m.processor);
  PutIfSet(json, "logical_cores", m.logicalCores);
  PutIfSet(json, "memory_bytes", m.memoryBytes);
  PutIfSet(json, "file_system", m.fileSystem);
  PutIfSet(json, "device", m.device);
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
    runs.push_back({{"index", run.index},
                    {"threads", OptionalInt(run.threads)},
                    {"start", run.start},
                    {"wall_s", run.wallSeconds},
                    {"status", RunStatusName(run.status)},
                    {"exit_status", OptionalInt(run.exitStatus)},
                    {"signal", OptionalInt(run.signal)},
                    {"reason", run.reason},
                    {"results_file", run.resultsFile},
                    {"console_file", run.consoleFile},
                    {"stderr_file", run.errorFile}});
  }
  return {{"schema", kManifestSchema},
          {"program",
           {{"path", manifest.programPath},
            {"word_size", OptionalInt(manifest.wordSize)}}},
          {"command", manifest.command},
          {"directory", manifest.directory},
          {"created", manifest.created},
          {"plan",
           {{"runs_per_thread_count", manifest.runsPerCount},
            {"thread_counts", std::move(counts)},
            {"timeout_s", manifest.timeoutSeconds},
            {"drop_caches", manifest.dropCaches}}},
          {"machine", MachineToJson(manifest.machine)},
          {"runs", std::move(runs)},
          {"complete", manifest.complete}};
}

bool ManifestFromJson(const std::string& text, Manifest& manifest,
                      std::string& error) {
  const Json json = Json::parse(text, nullptr, false);
  if (json.is_discarded() || !json.is_object()) {
    error = "not valid JSON";
    return false;
  }
  if (String(json, "schema") != std::string(kManifestSchema)) {
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
      if (word.is_string()) manifest.command.push_back(word.get<std::string>());
    }
  }
  const Json plan = json.value("plan", Json::object());
  if (plan.is_object()) {
    manifest.runsPerCount = Int(plan, "runs_per_thread_count").value_or(0);
    manifest.timeoutSeconds = Number(plan, "timeout_s");
    const auto counts = plan.find("thread_counts");
    if (counts != plan.end() && counts->is_array()) {
      for (const Json& count : *counts) {
        manifest.threadCounts.push_back(
            count.is_number_integer() ? std::optional<int>(count.get<int>())
                                      : std::nullopt);
      }
    }
    const auto drop = plan.find("drop_caches");
    manifest.dropCaches =
        drop != plan.end() && drop->is_boolean() && drop->get<bool>();
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
  const auto complete = json.find("complete");
  manifest.complete =
      complete != json.end() && complete->is_boolean() && complete->get<bool>();
  return true;
}
