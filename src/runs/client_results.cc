#include "runs/client_results.h"

#include <cstdio>
#include <nlohmann/json.hpp>

namespace {

using Json = nlohmann::ordered_json;

Json OptionalInt(const std::optional<int>& value) {
  return value ? Json(*value) : Json();
}

std::optional<int> Int(const Json& json, const char* key) {
  const auto it = json.find(key);
  if (it == json.end() || !it->is_number_integer()) return std::nullopt;
  return it->get<int>();
}

double Number(const Json& json, const char* key) {
  const auto it = json.find(key);
  return it != json.end() && it->is_number() ? it->get<double>() : 0;
}

std::string String(const Json& json, const char* key) {
  const auto it = json.find(key);
  return it != json.end() && it->is_string() ? it->get<std::string>() : "";
}

}  // namespace

std::string ClientName(int client) {
  char name[32];
  std::snprintf(name, sizeof name, "client-%02d", client);
  return name;
}

Json ClientResultsToJson(const std::vector<ClientResult>& clients) {
  Json list = Json::array();
  for (const ClientResult& c : clients) {
    list.push_back({{"client", c.client},
                    {"host", c.host},
                    {"folder", c.folder},
                    {"status", RunStatusName(c.status)},
                    {"exit_status", OptionalInt(c.exitStatus)},
                    {"signal", OptionalInt(c.signal)},
                    {"reason", c.reason},
                    {"results_file", c.resultsFile},
                    {"console_file", c.consoleFile},
                    {"stderr_file", c.errorFile},
                    {"start", c.start},
                    {"clock_offset_s", c.clockOffset},
                    {"wall_s", c.wallSeconds},
                    {"agent_cpu_s", c.agentCpuSeconds},
                    {"agent_cpu_running_s", c.agentCpuRunning},
                    {"line_times", c.lineTimes}});
  }
  return list;
}

bool ClientResultsFromJson(const std::string& text,
                           std::vector<ClientResult>& clients,
                           std::string& error) {
  const Json json = Json::parse(text, nullptr, false);
  if (json.is_discarded() || !json.is_array()) {
    error = std::string(kClientResultsName) + ": not a list of clients";
    return false;
  }
  for (const Json& c : json) {
    if (!c.is_object()) continue;
    ClientResult r;
    r.client = Int(c, "client").value_or(0);
    r.host = String(c, "host");
    r.folder = String(c, "folder");
    r.status = RunStatusFromName(String(c, "status"));
    r.exitStatus = Int(c, "exit_status");
    r.signal = Int(c, "signal");
    r.reason = String(c, "reason");
    r.resultsFile = String(c, "results_file");
    r.consoleFile = String(c, "console_file");
    r.errorFile = String(c, "stderr_file");
    r.start = Number(c, "start");
    r.clockOffset = Number(c, "clock_offset_s");
    r.wallSeconds = Number(c, "wall_s");
    r.agentCpuSeconds = Number(c, "agent_cpu_s");
    r.agentCpuRunning = Number(c, "agent_cpu_running_s");
    const auto times = c.find("line_times");
    if (times != c.end() && times->is_array()) {
      for (const Json& t : *times) {
        if (t.is_number()) r.lineTimes.push_back(t.get<double>());
      }
    }
    clients.push_back(std::move(r));
  }
  return true;
}
