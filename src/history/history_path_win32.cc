#include <cstdlib>
#include <string>

#include "history/history_store.h"

std::optional<std::string> DefaultHistoryPath() {
  const char* local = std::getenv("LOCALAPPDATA");
  if (!local || !*local) return std::nullopt;
  return std::string(local) + "\\drives\\history.sqlite";
}
