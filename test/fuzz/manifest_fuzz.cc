// libFuzzer target: any bytes as a run folder's manifest.json (and as a
// multi-client run's clients.json), read as the report and the history read
// a folder, and reported in every format.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/report_command.h"
#include "conclusions/disturbance.h"
#include "history/session_reader.h"
#include "reporters/reporter.h"
#include "runs/client_results.h"
#include "runs/json_fields.h"
#include "runs/manifest.h"

namespace fs = std::filesystem;

namespace {

// A folder of real results files, made once; each input is its manifest.
const std::string& Folder() {
  static const std::string folder = [] {
    const fs::path made =
        fs::temp_directory_path() /
        ("drives-manifest-fuzz-" + std::to_string(::getpid()));
    fs::create_directories(made / "clients");
    const fs::path data = DRIVES_TEST_DATA_DIR;
    int n = 0;
    for (const char* name :
         {"one_thread_results.txt", "two_threads_results.txt",
          "four_threads_console.txt"}) {
      ++n;
      fs::copy_file(data / name,
                    made / ("run-00" + std::to_string(n) + ".results.txt"),
                    fs::copy_options::overwrite_existing);
      fs::copy_file(
          data / name,
          made / "clients" / ("client-0" + std::to_string(n) + ".console.txt"),
          fs::copy_options::overwrite_existing);
    }
    return made.string();
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  Manifest manifest;
  std::string error;
  if (ManifestFromJson(text, manifest, error)) {
    // What it read, written back by the same rules, reads the same.
    Manifest again;
    ManifestFromJson(json_fields::WithJsonText(ManifestToJson(manifest)).dump(),
                     again, error);
  }
  std::vector<ClientResult> clients;
  ClientResultsFromJson(text, clients, error);

  const std::string& folder = Folder();
  {
    std::ofstream(folder + "/manifest.json", std::ios::binary) << text;
    std::ofstream(folder + "/clients/clients.json", std::ios::binary) << text;
  }
  InputLoader loader(MarkDisturbed, false);
  std::vector<Session> sessions;
  std::vector<std::string> findings;
  InputError readError;
  ReadSessions(folder, loader, sessions, findings, readError);
  for (const std::string& format : ReportFormats()) {
    ReportOptions options;
    options.inputs = {folder, folder};
    options.format = format;
    options.output = "/dev/null";
    RunReport(options);
  }
  return 0;
}
