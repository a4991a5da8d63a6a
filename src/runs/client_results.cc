#include "runs/client_results.h"

#include <cstdio>

#include "runs/json_fields.h"

using json_fields::Int;
using json_fields::Json;
using json_fields::Number;
using json_fields::OptionalInt;
using json_fields::String;

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

namespace {

void ReadClients(const Json& json, std::vector<ClientResult>& clients) {
  for (const Json& c : json) {
    if (!c.is_object()) continue;
    ClientResult r;
    r.client = Int(c, "client", 1).value_or(0);
    r.host = String(c, "host").value_or("");
    r.folder = String(c, "folder").value_or("");
    r.status = RunStatusFromName(String(c, "status").value_or(""));
    r.exitStatus = Int(c, "exit_status");
    r.signal = Int(c, "signal", 0);
    r.reason = String(c, "reason").value_or("");
    r.resultsFile = String(c, "results_file").value_or("");
    r.consoleFile = String(c, "console_file").value_or("");
    r.errorFile = String(c, "stderr_file").value_or("");
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
}

}  // namespace

bool ClientResultsFromJson(const std::string& text,
                           std::vector<ClientResult>& clients,
                           std::string& error) {
  const Json json = json_fields::NestingWithin(text, json_fields::kMostNesting)
                        ? Json::parse(text, nullptr, false)
                        : Json(Json::value_t::discarded);
  if (json.is_discarded() || !json.is_array()) {
    error = std::string(kClientResultsName) + ": not a list of clients";
    return false;
  }
  try {
    ReadClients(json, clients);
  } catch (const json_fields::OutOfRange& e) {
    error = std::string(kClientResultsName) + ": " + e.what();
    return false;
  }
  return true;
}
