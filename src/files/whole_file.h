// Files written whole or not at all (a report, a run folder's manifest), and
// read whole.
#ifndef DRIVES_FILES_WHOLE_FILE_H_
#define DRIVES_FILES_WHOLE_FILE_H_

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

// Writes with `write` into a temporary file beside `path`, then renames it
// over `path`; on any failure `path` is left as it was and `error` says why.
// A path that is not a regular file (/dev/null, a pipe) is written directly:
// renaming over it would replace it.
bool WriteWholeFile(const std::string& path,
                    const std::function<void(std::ostream&)>& write,
                    std::string& error);

// The file's bytes; empty where it cannot be read.
std::string ReadWholeFile(const std::filesystem::path& path);

#endif  // DRIVES_FILES_WHOLE_FILE_H_
