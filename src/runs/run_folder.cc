#include "runs/run_folder.h"

#include <filesystem>
#include <system_error>

#include "files/content_hash.h"
#include "results/results_reader.h"

namespace {

std::string InFolder(const std::string& folder, const std::string& name) {
  return (std::filesystem::path(folder) / name).string();
}

std::string RunName(const RunEntry& run) {
  std::string name = "run " + std::to_string(run.index);
  if (run.threads) {
    name += " (" + std::to_string(*run.threads) +
            (*run.threads == 1 ? " thread)" : " threads)");
  }
  return name;
}

}  // namespace

bool IsRunFolder(const std::string& path) {
  std::error_code code;
  return std::filesystem::is_directory(path, code) &&
         std::filesystem::is_regular_file(InFolder(path, kManifestName), code);
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
    folder.marks.push_back({run.index, run.disturbed});
  }
  folder.contentHash = hash.Text();
  return true;
}
