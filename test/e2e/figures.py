"""The arithmetic that must hold between the printed figures of one report."""

CYCLES = 131092            # file-handling cycles per run
PASS_ACCESSES = 50331648   # byte-wise accesses credited to each pass
TRANSFER_ACCESSES = 33554432  # bytes credited to each bulk transfer
MB = 2.0 ** -20

# Every printed figure carries 6 significant digits; a figure derived from
# two of them is off by at most about 1e-5 of its value.
TOLERANCE = 5e-5


class FigureMismatch(AssertionError):
    pass


def _close(what, got, expected):
    if abs(got - expected) > TOLERANCE * max(abs(expected), 1e-300):
        raise FigureMismatch(f"{what}: printed {got!r}, expected {expected!r}")


def _check_transfer(what, figures, count):
    rate = count / figures["elapsed"]
    _close(f"{what} accesses", figures["access"], rate / 1e6)
    _close(f"{what} MB", figures["mb"], rate * MB)


def _check_totals(what, reports, totals, single_write, single_read):
    for side, single in (("write", single_write), ("read", single_read)):
        total = sum(r[side]["access"] for r in reports.values())
        _close(f"{what} {side} total", totals[side + "_access"], total)
        _close(f"{what} {side} total MB", totals[side + "_mb"],
               totals[side + "_access"] * 1e6 * MB)
        _close(f"{what} {side} improvement", totals[side + "_ratio"],
               totals[side + "_access"] / single["access"])


def check_figures(f):
    """Checks a report's figures as check_report() returns them."""
    _close("files rate", f["files"]["rate"], CYCLES / f["files"]["elapsed"])
    _check_transfer("byte-wise write", f["byte_write"], PASS_ACCESSES)
    _check_transfer("byte-wise read", f["byte_read"], PASS_ACCESSES)
    _check_transfer("bulk read", f["bulk_read"], TRANSFER_ACCESSES)
    _check_transfer("bulk write", f["bulk_write"], TRANSFER_ACCESSES)

    for t, r in f["parallel_files"].items():
        _close(f"thread {t} files rate", r["rate"], CYCLES / r["elapsed"])
    total = sum(r["rate"] for r in f["parallel_files"].values())
    _close("parallel files total", f["parallel_files_total"]["rate"], total)
    _close("parallel files improvement", f["parallel_files_total"]["ratio"],
           f["parallel_files_total"]["rate"] / f["files"]["rate"])

    for key, count, single_write, single_read in (
            ("parallel_byte", PASS_ACCESSES, f["byte_write"], f["byte_read"]),
            ("parallel_bulk", TRANSFER_ACCESSES, f["bulk_write"], f["bulk_read"])):
        for t, r in f[key].items():
            _check_transfer(f"{key} thread {t} write", r["write"], count)
            _check_transfer(f"{key} thread {t} read", r["read"], count)
        _check_totals(key, f[key], f[key + "_total"], single_write, single_read)
