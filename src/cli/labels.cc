#include "cli/labels.h"

#include <map>

#include "results/input_text.h"

namespace {

std::vector<std::string> Components(const std::string& source) {
  if (source == kStandardInput) return {"stdin"};
  std::vector<std::string> parts;
  std::string part;
  for (const char c : source + '/') {
    if (c != '/' && c != '\\') {
      part += c;
      continue;
    }
    if (!part.empty() && part != ".") parts.push_back(part);
    part.clear();
  }
  if (parts.empty()) parts.push_back(source);
  return parts;
}

// The last `count` components, joined with '/'.
std::string Tail(const std::vector<std::string>& parts, std::size_t count) {
  std::string tail;
  for (std::size_t i = parts.size() - count; i < parts.size(); ++i) {
    tail += (tail.empty() ? "" : "/") + parts[i];
  }
  return tail;
}

}  // namespace

std::vector<std::string> ShortLabels(const std::vector<std::string>& sources) {
  std::vector<std::vector<std::string>> parts;
  parts.reserve(sources.size());
  for (const std::string& source : sources) parts.push_back(Components(source));
  std::vector<std::size_t> counts(sources.size(), 1);
  std::vector<std::string> labels(sources.size());
  // Lengthen every label that another one shares until none can grow.
  for (bool grew = true; grew;) {
    grew = false;
    std::map<std::string, int> uses;
    for (std::size_t i = 0; i < sources.size(); ++i) {
      labels[i] = Tail(parts[i], counts[i]);
      ++uses[labels[i]];
    }
    for (std::size_t i = 0; i < sources.size(); ++i) {
      if (uses[labels[i]] > 1 && counts[i] < parts[i].size()) {
        ++counts[i];
        grew = true;
      }
    }
  }
  // A file name that every label ends with tells nothing: drop it.
  bool sameName = sources.size() > 1;
  for (std::size_t i = 0; sameName && i < sources.size(); ++i) {
    sameName = counts[i] > 1 && parts[i].back() == parts[0].back();
  }
  for (std::size_t i = 0; sameName && i < sources.size(); ++i) {
    labels[i] = Tail({parts[i].begin(), parts[i].end() - 1}, counts[i] - 1);
  }
  // The same path twice.
  std::map<std::string, int> seen;
  for (std::string& label : labels) {
    const int n = ++seen[label];
    if (n > 1) label += " (" + std::to_string(n) + ")";
  }
  return labels;
}
