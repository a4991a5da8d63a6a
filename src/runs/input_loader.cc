#include "runs/input_loader.h"

#include "files/content_hash.h"
#include "results/results_reader.h"

namespace {

bool LoadInput(const std::string& source, std::string& text,
               const DisturbanceRule& rule, bool fingerprint,
               LoadedInput& input, InputError& error) {
  input = LoadedInput{};
  if (IsRunFolder(source)) {
    input.folder = true;
    if (!ReadRunFolder(source, text, input.runs, error)) return false;
    rule(input.runs.manifest, input.runs.marks);
    return true;
  }
  std::optional<RunRecord> record =
      ReadResultsFile(source, source, text, error);
  if (!record) return false;
  if (fingerprint) {
    ContentHash hash;
    hash.Add(text);
    input.runs.contentHash = hash.Text();
  }
  input.runs.records.push_back(std::move(*record));
  input.runs.marks.push_back(RunMark{1, false, 0});
  input.runs.clients.emplace_back();
  return true;
}

}  // namespace

InputLoader::InputLoader(DisturbanceRule rule, bool keep, bool fingerprint)
    : rule_(std::move(rule)), keep_(keep), fingerprint_(fingerprint) {}

bool InputLoader::Load(const std::string& source, LoadedInput& input,
                       InputError& error) {
  if (!keep_) {
    return LoadInput(source, text_, rule_, fingerprint_, input, error);
  }
  const auto [at, added] = kept_.try_emplace(source);
  Kept& kept = at->second;
  if (added)
    kept.read =
        LoadInput(source, text_, rule_, fingerprint_, kept.input, kept.error);
  input = kept.input;
  error = kept.error;
  return kept.read;
}
