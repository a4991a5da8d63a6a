"""The report layout the programs must print, checked line by line.

check_report() walks a console output or a results file through the layout of
the whole run and returns the figures it read, so that the caller can check
the arithmetic between them and compare the two sinks.
"""

import re

# Floating values: the general notation with 6 significant digits and an
# exponent of exactly three digits.
NUMBER = r"(-?(?:inf|nan|\d+(?:\.\d+)?(?:e[+-]\d{3})?))"
UNABLE = "Unable to open file"
TITLE = "Tolvane :: Quorindale Benchmark Drives for x86_{tag}bit system 2012.10.01."


class ReportMismatch(AssertionError):
    pass


class ReportEnded(Exception):
    """A partial report ended; what it held so far matched."""


class Cursor:
    """Reads a report's lines in order, each against the line it must be."""

    def __init__(self, text, sink, partial=False):
        if text and not text.endswith("\n"):
            raise ReportMismatch(f"{sink}: does not end with a line end")
        self.lines = text[:-1].split("\n") if text else []
        self.partial = partial
        self.sink = sink
        self.pos = 0
        # Lines "Unable to open file" may stand between any two lines while
        # this is on; they are counted, not matched.
        self.tolerate_unable = False
        self.unable_seen = 0

    def _fail(self, expected):
        got = self.lines[self.pos] if self.pos < len(self.lines) else "<end>"
        raise ReportMismatch(
            f"{self.sink} line {self.pos + 1}: expected {expected!r}, got {got!r}")

    def _skip_unable(self):
        while (self.tolerate_unable and self.pos < len(self.lines)
               and self.lines[self.pos] == UNABLE):
            self.unable_seen += 1
            self.pos += 1

    def _take(self, expected):
        self._skip_unable()
        if self.pos >= len(self.lines):
            if self.partial:
                raise ReportEnded()
            self._fail(expected)
        self.pos += 1
        return self.lines[self.pos - 1]

    def next_starts_with(self, prefix):
        self._skip_unable()
        return self.pos < len(self.lines) and \
            self.lines[self.pos].startswith(prefix)

    def text(self, expected):
        if self._take(expected) != expected:
            self.pos -= 1
            self._fail(expected)

    def any_text(self, what):
        if not self._take(what):
            self.pos -= 1
            self._fail(what)

    def match(self, pattern, shown):
        m = re.fullmatch(pattern, self._take(shown))
        if not m:
            self.pos -= 1
            self._fail(shown)
        return m.groups()

    def number(self, lead, suffix):
        (value,) = self.match(re.escape(lead) + NUMBER + re.escape(suffix),
                              f"{lead}<n>{suffix}")
        return float(value)

    def thread_number(self, lead, suffix, thread=None):
        """A per-thread line "Thread:<t> <lead><n><suffix>"; returns (t, n)."""
        t = r"(\d+)" if thread is None else f"({thread})"
        t_shown = "<t>" if thread is None else str(thread)
        t, value = self.match(
            r"Thread:" + t + " " + re.escape(lead) + NUMBER + re.escape(suffix),
            f"Thread:{t_shown} {lead}<n>{suffix}")
        return int(t), float(value)

    def end(self):
        if self.pos != len(self.lines):
            self._fail("<end>")


def _transfer(cur, secs_suffix, access_suffix):
    """Elapsed, access and MB lines of one single-thread measurement."""
    return {
        "elapsed": cur.number("The system spent: ", secs_suffix),
        "access": cur.number("It was: ", access_suffix),
        "mb": cur.number("Conventionally, it was: ", " MB/sec."),
    }


def _thread_transfer(cur, thread, secs_suffix, access_suffix):
    t, elapsed = cur.thread_number("The system spent: ", secs_suffix, thread)
    _, access = cur.thread_number("It was: ", access_suffix, t)
    mb = cur.number("Conventionally, it was: ", " MB/sec.")
    return t, {"elapsed": elapsed, "access": access, "mb": mb}


def _parallel_header(cur, header):
    cur.text("Multi-Thread Enabled:")
    cur.text(header)
    cur.text("")


def _thread_reports(cur, team, read_one):
    """`team` reports in any order, each thread exactly once; with a team of
    None, as many as there are (a runtime may form a smaller team)."""
    reports = {}
    while len(reports) < team if team else cur.next_starts_with("Thread:"):
        t, figures = read_one()
        if t in reports:
            raise ReportMismatch(f"{cur.sink}: thread {t} reported twice")
        reports[t] = figures
    if not reports or sorted(reports) != list(range(len(reports))):
        raise ReportMismatch(f"{cur.sink}: threads {sorted(reports)} reported, "
                             f"expected 0..{len(reports) - 1}")
    return reports


def _transfer_totals(cur):
    totals = {
        "write_access": cur.number("Overall, It was: ",
                                   " Millions Accesses/sec.to Write"),
        "write_mb": cur.number("Conventionally, total writing speed was: ",
                               " MB/sec."),
        "write_ratio": cur.number("Multi-Thread Improvements: ", " times."),
        "read_access": cur.number("Overall, It was: ",
                                  " Millions Accesses/sec.to Read"),
        "read_mb": cur.number("Conventionally, total reading speed was: ",
                              " MB/sec."),
        "read_ratio": cur.number("Multi-Thread Improvements: ", " times."),
    }
    cur.text("")
    return totals


class UnableCounts:
    """How many "Unable to open file" lines each phase may show on the console,
    as (fewest, most) per phase."""

    def __init__(self, byte_read=(0, 0), bulk_read=(0, 0),
                 parallel_byte=(0, 0), parallel_bulk=(0, 0)):
        self.byte_read = byte_read
        self.bulk_read = bulk_read
        self.parallel_byte = parallel_byte
        self.parallel_bulk = parallel_bulk


def _unable_lines(cur, allowed, where):
    """Takes the console's "Unable to open file" lines at a fixed spot."""
    seen = 0
    while (cur.sink == "console" and cur.pos < len(cur.lines)
           and cur.lines[cur.pos] == UNABLE):
        seen += 1
        cur.pos += 1
    _check_unable_count(cur, seen, allowed, where)


def _check_unable_count(cur, seen, allowed, where):
    low, high = allowed if cur.sink == "console" else (0, 0)
    if not low <= seen <= high:
        raise ReportMismatch(f"{cur.sink}: {seen} x {UNABLE!r} in {where}, "
                             f"expected {low} to {high}")


def _tolerating_unable(cur, allowed, where, read):
    cur.tolerate_unable = cur.sink == "console"
    cur.unable_seen = 0
    result = read()
    cur.tolerate_unable = False
    _check_unable_count(cur, cur.unable_seen, allowed, where)
    return result


def check_report(text, sink, tag, team, unable=None, partial=False):
    """Checks a whole report; `sink` is "console" or "results", `team` the
    number of threads that report in each parallel phase (None: any). A
    partial report may end after any whole line; it returns None."""
    cur = Cursor(text, sink, partial)
    try:
        return _check_lines(cur, tag, team, unable or UnableCounts())
    except ReportEnded:
        return None


def _check_lines(cur, tag, team, unable):
    console = cur.sink == "console"
    access_each = " Millions Access/sec." if console else " Millions Accesses/sec."
    f = {}

    # Banner.
    if console:
        cur.text("")
    cur.text(TITLE.format(tag=tag))
    if console:
        cur.any_text("rights notice")
        cur.any_text("support notice")
        cur.text("")
        cur.text("")
    cur.text("")
    (threads,) = cur.match(r"Thread\(s\): (\d+)", "Thread(s): <count>")
    f["thread_count"] = int(threads)
    cur.text("")
    cur.text("Force to be single thread.")
    cur.text("")

    # Phase 1: file handling.
    cur.text("Power of Handling Files.")
    cur.text("")
    f["files"] = {
        "elapsed": cur.number("The system spent: ", " Secs."),
        "rate": cur.number("The system could process  " if not console else
                           "The system could process ", " Files/sec."),
    }
    cur.text("")

    # Phase 2: byte-wise access.
    cur.text("Low writing and reading speeds:")
    cur.text("")
    f["byte_write"] = _transfer(cur, " Secs. to Write.", " Millions Accesses/sec.")
    _unable_lines(cur, unable.byte_read, "the byte-wise read")
    f["byte_read"] = _transfer(cur, " Secs. to Read:", " Millions Accesses/sec.")
    cur.text("")

    # Phase 3: bulk transfer.
    cur.text("High writing and reading speeds:")
    cur.text("")
    _unable_lines(cur, unable.bulk_read, "the bulk read")
    f["bulk_read"] = _transfer(cur, " Secs. to Read:", " Millions Accesses/sec.")
    f["bulk_write"] = _transfer(cur, " Secs. to Write.", " Millions Accesses/sec.")
    cur.text("")
    cur.text("")

    # Phase 4: parallel file handling.
    _parallel_header(cur, "Power of Handling Files.")

    def files_report():
        t, elapsed = cur.thread_number("The system spent: ", " Secs.")
        _, rate = cur.thread_number("The system could process ", " Files/sec.", t)
        return t, {"elapsed": elapsed, "rate": rate}

    f["parallel_files"] = _thread_reports(cur, team, files_report)
    cur.text("")
    cur.text("")
    f["parallel_files_total"] = {
        "rate": cur.number("Overall, The system could process: ", " Files/sec."),
        "ratio": cur.number("Multi-Thread Improvements: ", " times."),
    }
    cur.text("")

    # Phases 5 and 6: parallel byte-wise and bulk.
    for key, header, gap, allowed in (
            ("parallel_byte", "Low writing and reading speeds:", 2,
             unable.parallel_byte),
            ("parallel_bulk", "High writing and reading speeds:", 1,
             unable.parallel_bulk)):
        _parallel_header(cur, header)

        def transfer_report():
            t, write = _thread_transfer(cur, None, " Secs. to Write.", access_each)
            _, read = _thread_transfer(cur, t, " Secs. to Read.", access_each)
            return t, {"write": write, "read": read}

        f[key] = _tolerating_unable(
            cur, allowed, key,
            lambda: _thread_reports(cur, team, transfer_report))
        for _ in range(gap):
            cur.text("")
        f[key + "_total"] = _transfer_totals(cur)

    # Closing.
    cur.text("")
    if console:
        cur.text("Press Enter to Exit.")
    cur.end()
    return f
