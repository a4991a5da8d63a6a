// The session an input makes for the history: a run folder with its
// measured runs (warm-ups left out), or a results file or transcript as a
// session of one run. A folder's manifest says where it ran; an input
// without one is taken to lie on the drive it measured, as the benchmark
// leaves its results file in the directory it ran in.
#ifndef DRIVES_HISTORY_SESSION_READER_H_
#define DRIVES_HISTORY_SESSION_READER_H_

#include <string>

#include "history/session.h"
#include "results/input_text.h"
#include "runs/input_loader.h"
#include "runs/run_folder.h"

// Reads `source` through `loader` into `session`; false with `error` set
// when it cannot be read, or holds no figure the history can keep. `findings`
// names what is left out or doubtful (a value that is not a positive finite
// number, a start time that cannot be read).
bool ReadSession(const std::string& source, InputLoader& loader,
                 Session& session, std::vector<std::string>& findings,
                 InputError& error);

// Reads `source` into one session, or for a sweep that ran in several
// directories one session per drive directory, each with the memory
// control's runs beside it (role kControlRole); false with `error` set when
// none can be read.
bool ReadSessions(const std::string& source, InputLoader& loader,
                  std::vector<Session>& sessions,
                  std::vector<std::string>& findings, InputError& error);

// The session of a run folder already read, with its findings.
Session SessionOfFolder(const std::string& source, const RunFolder& folder,
                        std::vector<std::string>& findings);

// Whether `session` has any figure to keep.
bool HasFigures(const Session& session);

#endif  // DRIVES_HISTORY_SESSION_READER_H_
