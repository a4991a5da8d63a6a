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

// Whether a manifest's `name` stays inside its folder: no parent, no
// absolute path, no drive, no separator (files sit right inside).
bool InsideName(const std::string& name) {
  return !name.empty() && name.find("..") == std::string::npos &&
         name.find_first_of("/\\:") == std::string::npos;
}

// A file a manifest names, loaded only where it is a regular file right in
// `folder` (never a link, a device or a pipe, which could hang the report).
bool LoadNamed(const std::string& folder, const std::string& name,
               std::string& text, InputError& error) {
  if (!InsideName(name)) {
    error = {0, "not a file name inside the run folder"};
    return false;
  }
  std::error_code code;
  const std::string path = InFolder(folder, name);
  const std::filesystem::file_status status =
      std::filesystem::symlink_status(path, code);
  if (std::filesystem::exists(status) &&
      !std::filesystem::is_regular_file(status)) {
    error = {0, "not a regular file"};
    return false;
  }
  return LoadInputText(path, text, error);
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
  std::error_code code;
  if (!InsideName(run.clientsFolder) ||
      std::filesystem::is_symlink(clientsFolder, code)) {
    why = run.clientsFolder + ": not a folder inside the run folder";
  } else if (!LoadNamed(clientsFolder, kClientResultsName, text, loadError)) {
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
    if (LoadNamed(clientsFolder, result.consoleFile, text, runError) &&
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
    if (!d.folder.empty() && !InsideName(d.folder)) continue;
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
    if (!name.empty() && LoadNamed(path, name, text, runError) &&
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
