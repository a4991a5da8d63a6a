"""drives-report on real output: its JSON must hold every figure that the
report checker read from the same run."""

import json
import math
import subprocess

# The JSON carries the printed values as doubles; MB/s is derived from the
# rate, so it agrees with the printed MB line only within the printing.
EXACT = 1e-12
PRINTED = 5e-5


class ReportJsonMismatch(AssertionError):
    pass


def _close(what, got, expected, tolerance):
    if isinstance(got, str):
        got = float(got)  # "inf", "-inf", "nan"
    if math.isnan(expected) and math.isnan(got):
        return
    if got == expected:
        return
    if abs(got - expected) > tolerance * abs(expected):
        raise ReportJsonMismatch(f"{what}: drives-report {got!r}, "
                                 f"report checker {expected!r}")


def _transfer(what, measured, figures):
    _close(f"{what} elapsed", measured["elapsed_s"], figures["elapsed"], EXACT)
    _close(f"{what} rate", measured["rate_per_s"], figures["access"] * 1e6,
           EXACT)
    _close(f"{what} MB/s", measured["mb_per_s"], figures["mb"], PRINTED)


def check_against(document, figures, kind, unable_allowed):
    """`document` is drives-report's JSON of one input, `figures` what
    check_report() returned for it; `unable_allowed` maps a section key to
    the (fewest, most) "Unable to open file" lines the console may show."""
    if document["errors"] or len(document["inputs"]) != 1:
        raise ReportJsonMismatch(f"not one record: {document['errors']}")
    (run,) = document["inputs"][0]["runs"]
    # A runtime that forms a smaller team than the thread count it reports
    # (a thread limit) shows in every parallel phase's thread set.
    findings = run["findings"]
    if len(figures["parallel_files"]) < figures["thread_count"]:
        findings = [f for f in findings if not f["check"].startswith("threads of ")]
        if len(run["findings"]) - len(findings) != 3:
            raise ReportJsonMismatch(f"expected a smaller team in each parallel "
                                     f"phase: {run['findings']}")
    if findings or not run["complete"]:
        raise ReportJsonMismatch(f"findings: {run['findings']}, "
                                 f"stop: {run['stop']}")
    if run["kind"] != kind or run["threads"] != figures["thread_count"]:
        raise ReportJsonMismatch(f"kind {run['kind']}, threads {run['threads']}")

    single = run["single"]
    _close("files elapsed", single["files"]["elapsed_s"],
           figures["files"]["elapsed"], EXACT)
    _close("files rate", single["files"]["rate_per_s"],
           figures["files"]["rate"], EXACT)
    for key in ("byte_write", "byte_read", "bulk_read", "bulk_write"):
        _transfer(key, single[key], figures[key])

    parallel = run["parallel"]
    files = parallel["files"]
    if [t["thread"] for t in files["threads"]] != list(figures["parallel_files"]):
        raise ReportJsonMismatch("file-handling threads out of report order")
    for t in files["threads"]:
        expected = figures["parallel_files"][t["thread"]]
        _close(f"thread {t['thread']} files elapsed", t["elapsed_s"],
               expected["elapsed"], EXACT)
        _close(f"thread {t['thread']} files rate", t["rate_per_s"],
               expected["rate"], EXACT)
    _close("files total", files["total_per_s"],
           figures["parallel_files_total"]["rate"], EXACT)
    _close("files improvement", files["improvement"],
           figures["parallel_files_total"]["ratio"], EXACT)

    for phase, write, read in (("parallel_byte", "byte_write", "byte_read"),
                               ("parallel_bulk", "bulk_write", "bulk_read")):
        totals = figures[phase + "_total"]
        for key, side in ((write, "write"), (read, "read")):
            team = parallel[key]
            if [t["thread"] for t in team["threads"]] != list(figures[phase]):
                raise ReportJsonMismatch(f"{key} threads out of report order")
            for t in team["threads"]:
                _transfer(f"thread {t['thread']} {key}", t,
                          figures[phase][t["thread"]][side])
            _close(f"{key} total", team["total_per_s"],
                   totals[side + "_access"] * 1e6, EXACT)
            _close(f"{key} total MB/s", team["total_mb_per_s"],
                   totals[side + "_mb"], PRINTED)
            _close(f"{key} improvement", team["improvement"],
                   totals[side + "_ratio"], EXACT)

    for section, count in run["unable_to_open"].items():
        low, high = unable_allowed.get(section, (0, 0)) if kind == "console" \
            else (0, 0)
        if not low <= count <= high:
            raise ReportJsonMismatch(f"{count} x 'Unable to open file' in "
                                     f"{section}, expected {low} to {high}")


def report_json(command, env, path=None, text=None):
    """Runs `command` (drives-report, with its emulator if any) on a file or
    on standard input; returns the parsed JSON."""
    args = command + ["--format", "json", path or "-"]
    done = subprocess.run(args, input=text.encode() if text is not None else None,
                          capture_output=True, env=env, timeout=300)
    if done.returncode != 0:
        raise ReportJsonMismatch(f"drives-report exit status {done.returncode}: "
                                 f"{done.stderr.decode(errors='replace')}")
    return json.loads(done.stdout)
