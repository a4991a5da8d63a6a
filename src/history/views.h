// The two views users query, one definition for a file and for a server:
// `history`, a tidy row per run, thread count and figure, and
// `session_figures`, a row per session, thread count and figure.
#ifndef DRIVES_HISTORY_VIEWS_H_
#define DRIVES_HISTORY_VIEWS_H_

inline constexpr char kHistoryViews[] = R"sql(
CREATE VIEW history AS
  SELECT m.host AS machine_host, d.name AS drive, s.session_id, s.started,
         s.machine, s.program, s.settle, r.number AS run, r.role, r.clients,
         r.threads, r.disturbed, f.figure, f.value, f.unit
  FROM figures f
  JOIN runs r ON r.run_id = f.run_id
  JOIN sessions s ON s.session_id = r.session_id
  JOIN drives d ON d.drive_id = s.drive_id
  LEFT JOIN machines m ON m.machine_id = d.machine_id;
CREATE VIEW session_figures AS
  SELECT m.host AS machine_host, d.name AS drive, s.session_id, s.started,
         s.program, s.settle, f.role, f.clients, f.threads, f.figure, f.unit,
         f.runs, f.median, f.ci_low, f.ci_high
  FROM session_summaries f
  JOIN sessions s ON s.session_id = f.session_id
  JOIN drives d ON d.drive_id = s.drive_id
  LEFT JOIN machines m ON m.machine_id = d.machine_id;
)sql";

#endif  // DRIVES_HISTORY_VIEWS_H_
