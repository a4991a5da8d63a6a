#include "runs/run_folder.h"

#include <filesystem>
#include <system_error>

#include "files/content_hash.h"
#include "results/client_sum.h"
#include "results/results_reader.h"

namespace {

std::string InFolder(const std::string& folder, const std::string& name) {
  return (std::filesystem::path(folder) / name).string();
}

std::string RunName(const RunEntry& run) {
  std::string name = "run " + std::to_string(run.index);
  if (run.clients) {
    name += " (" + std::to_string(*run.clients) +
            (*run.clients == 1 ? " client," : " clients,");
    return name + (run.threads
                       ? " " + std::to_string(*run.threads) +
                             (*run.threads == 1 ? " thread)" : " threads)")
                       : std::string(" default threads)"));
  }
  if (run.threads) {
    name += " (" + std::to_string(*run.threads) +
            (*run.threads == 1 ? " thread)" : " threads)");
  }
  return name;
}

// A multi-client run: every client's console, and their sum.
void ReadClients(const std::string& path, const RunEntry& run,
                 std::string& text, ContentHash& hash, RunFolder& folder) {
  const std::string clientsFolder = InFolder(path, run.clientsFolder);
  InputError loadError;
  std::vector<ClientResult> results;
  std::string why;
  if (!LoadInputText(InFolder(clientsFolder, kClientResultsName), text,
                     loadError)) {
    why = kClientResultsName + std::string(": ") + loadError.message;
  } else if (ClientResultsFromJson(text, results, why)) {
    hash.Add(text);
  }
  std::vector<ClientDetail> details;
  std::vector<RunRecord> records;
  for (const ClientResult& result : results) {
    const std::string source = InFolder(clientsFolder, result.consoleFile);
    InputError runError;
    std::optional<RunRecord> record;
    if (!result.consoleFile.empty() && LoadInputText(source, text, runError) &&
        CheckInputText(text, runError)) {
      hash.Add(text);
      record = ReadRunRecord(text, source, runError);
    }
    if (!record) {
      why = ClientName(result.client) + ": " + runError.message;
      break;
    }
    records.push_back(*record);
    details.push_back({result, std::move(*record)});
  }
  if (why.empty() && records.empty()) why = "no client handed anything over";
  if (!why.empty()) {
    folder.leftOut.push_back(RunName(run) + ": " + why);
    return;
  }
  folder.records.push_back(SumOfClients(records, clientsFolder));
  folder.marks.push_back({run.index, run.disturbed, run.round});
  folder.clients.push_back(std::move(details));
}

}  // namespace

bool IsRunFolder(const std::string& path) {
  std::error_code code;
  return std::filesystem::is_directory(path, code) &&
         std::filesystem::is_regular_file(InFolder(path, kManifestName), code);
}

std::vector<SweepDirectory> SweepDirectoriesOf(const std::string& path) {
  if (!IsRunFolder(path)) return {};
  std::string text;
  InputError error;
  Manifest manifest;
  std::string why;
  if (!LoadInputText(InFolder(path, kManifestName), text, error) ||
      !ManifestFromJson(text, manifest, why) ||
      manifest.directories.size() < 2) {
    return {};
  }
  std::vector<SweepDirectory> directories;
  for (SweepDirectory d : manifest.directories) {
    // Only this folder and folders right inside it: a manifest names
    // nothing else.
    if (d.folder.find("..") != std::string::npos ||
        d.folder.find_first_of("/\\:") != std::string::npos) {
      continue;
    }
    d.folder = d.folder.empty() ? path : InFolder(path, d.folder);
    directories.push_back(std::move(d));
  }
  return directories;
}

bool ReadRunFolder(const std::string& path, std::string& text,
                   RunFolder& folder, InputError& error) {
  const std::string manifestPath = InFolder(path, kManifestName);
  InputError loadError;
  std::string manifestError;
  if (!LoadInputText(manifestPath, text, loadError)) {
    error = {0, kManifestName + std::string(": ") + loadError.message};
    return false;
  }
  ContentHash hash;
  hash.Add(text);
  folder.manifestText = text;
  if (!ManifestFromJson(text, folder.manifest, manifestError)) {
    error = {0, kManifestName + std::string(": ") + manifestError};
    return false;
  }
  for (const RunEntry& run : folder.manifest.runs) {
    if (run.warmup) {
      ++folder.warmups;
      continue;
    }
    if (run.status != RunStatus::kOk) {
      folder.leftOut.push_back(
          RunName(run) + ": " +
          (run.reason.empty() ? RunStatusName(run.status) : run.reason));
      continue;
    }
    if (run.clients) {
      ReadClients(path, run, text, hash, folder);
      continue;
    }
    const std::string& name =
        run.resultsFile.empty() ? run.consoleFile : run.resultsFile;
    const std::string source = InFolder(path, name);
    InputError runError;
    std::optional<RunRecord> record;
    if (!name.empty() && LoadInputText(source, text, runError) &&
        CheckInputText(text, runError)) {
      hash.Add(text);
      record = ReadRunRecord(text, source, runError);
    }
    if (!record) {
      folder.leftOut.push_back(
          RunName(run) + ": " +
          (name.empty() ? "no results kept" : name + ": " + runError.message));
      continue;
    }
    folder.records.push_back(std::move(*record));
    folder.marks.push_back({run.index, run.disturbed, run.round});
    folder.clients.emplace_back();
  }
  folder.contentHash = hash.Text();
  return true;
}
