#!/usr/bin/env python3
"""The HTML report of every kind of input: its structure read as XML (the
charts, bars and points there must be, bars as long as their values, every
text escaped), and the page as headless Chromium renders it.

usage: html_test.py DRIVES_REPORT ARTEFACTS_DIR {structure,browser}
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zlib

DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")
SVG = "{http://www.w3.org/2000/svg}"
SKIPPED = 77
COMPARED_FIGURES = 10  # five single-thread figures, five totals
FIGURES = 5
HOSTILE_LABEL = "<script>alert('x')</script> & \"drive\""

report = None


def expect(condition, what):
    if not condition:
        raise AssertionError(what)


def make_sweep(tmp):
    """A sweep of 1, 2 and 4 threads, two runs each, made by drives-report
    run with a stand-in that prints the real output of that thread count."""
    stand_in = os.path.join(tmp, "stand-in")
    with open(stand_in, "w") as f:
        f.write("#!/bin/sh\n"
                "case $OMP_NUM_THREADS in 1) n=one_thread;; 2) n=two_threads;;"
                " *) n=four_threads;; esac\n"
                f"cat '{DATA}'/${{n}}_console.txt\n"
                f"cp '{DATA}'/${{n}}_results.txt results_drives_64.txt\n")
    os.chmod(stand_in, 0o755)
    work = os.path.join(tmp, "work")
    os.mkdir(work)
    folder = os.path.join(tmp, "sweep")
    done = subprocess.run(report + ["run", "--runs", "2", "--threads", "1,2,4",
                                    "--dir", work, "--out", folder,
                                    "--program", stand_in, "--no-history"],
                          capture_output=True, text=True, timeout=300)
    expect(done.returncode == 0, done.stderr)
    return folder


def make_partial(tmp):
    path = os.path.join(tmp, "partial.txt")
    with open(os.path.join(DATA, "two_threads_results.txt")) as f:
        lines = f.readlines()
    with open(path, "w") as f:
        f.writelines(lines[:50])  # ends in the parallel byte-wise phase
    return path


def cases(tmp):
    """(name, arguments, columns, per-thread charts, scaling series)."""
    return [
        ("one_run", ["--label", HOSTILE_LABEL,
                     os.path.join(DATA, "one_thread_results.txt")], 1, 1, 0),
        ("sixteen_threads", [os.path.join(DATA, "sixteen_threads_results.txt")],
         1, 1, 0),
        ("sweep", [make_sweep(tmp)], 3, 0, 1),
        ("word_sizes", [os.path.join(DATA, "one_thread_results.txt"),
                        os.path.join(DATA, "drives32_results.txt")], 2, 2, 0),
        ("partial", [make_partial(tmp)], 1, 1, 0),
    ]


def make_page(tmp, name, args):
    page = os.path.join(tmp, name + ".html")
    done = subprocess.run(report + args + ["--format", "html", "-o", page],
                          capture_output=True, text=True, timeout=300)
    expect(done.returncode == 0, f"{name}: {done.stderr}")
    return page


def check_structure(name, page, columns, thread_charts, series):
    root = ET.parse(page).getroot()  # also: the page is well-formed
    charts = root.findall(f".//{SVG}svg")
    expected = COMPARED_FIGURES + FIGURES * thread_charts + \
        (FIGURES if series else 0)
    expect(len(charts) == expected, f"{name}: {len(charts)} charts, "
                                    f"expected {expected}")
    expect(not root.findall(".//script"), f"{name}: a script element")
    for chart in charts[:COMPARED_FIGURES]:
        bars = chart.findall(f".//{SVG}rect[@class]")
        missing = [t for t in chart.iter(f"{SVG}text")
                   if t.get("class") == "missing"]
        expect(len(bars) + len(missing) == columns,
               f"{name}: {len(bars)} bars and {len(missing)} missing, "
               f"expected {columns} in {chart.get('aria-label')}")
        # Every bar is as long as its value, on one scale (to the 0.1 px the
        # page writes).
        sized = [(float(b.get("width")), float(b.get("data-value")))
                 for b in bars]
        if sized:
            longest = max(sized, key=lambda wv: wv[1])
            per_unit = longest[0] / longest[1] if longest[1] else 0
            for width, value in sized:
                expect(abs(width - value * per_unit) <= 0.11,
                       f"{name}: a bar of {value} is {width} px long in "
                       f"{chart.get('aria-label')}")
    lines = charts[COMPARED_FIGURES:COMPARED_FIGURES + (FIGURES if series else 0)]
    for chart in lines:
        points = chart.findall(f".//{SVG}circle")
        expect(len(points) == 3 * series, f"{name}: {len(points)} points")
        expect(chart.findall(f".//{SVG}polyline[@class='ideal']"),
               f"{name}: no ideal line")
    return root


def structure(tmp, artefacts):
    for name, args, columns, thread_charts, series in cases(tmp):
        page = make_page(tmp, name, args)
        root = check_structure(name, page, columns, thread_charts, series)
        text = "".join(root.itertext())
        if name == "one_run":
            expect(HOSTILE_LABEL in text, "the label is not shown as text")
        if name == "partial":
            expect(text.count("missing: the input ends early") >= 4,
                   "the partial input's missing figures are not marked")
        if name == "sweep":
            # The median's interval, and fainter, the range of the runs.
            expect(len(root.findall(f".//{SVG}line[@class='whisker']")) ==
                   3 * 3 * COMPARED_FIGURES, "whiskers")
            expect(len(root.findall(f".//{SVG}line[@class='range']")) ==
                   3 * COMPARED_FIGURES, "ranges")
        if name == "word_sizes":
            # The compared input's bar carries its verdict.
            verdicts = root.findall(f".//{SVG}tspan[@class='verdict']")
            expect(len(verdicts) == COMPARED_FIGURES and all(
                "too few runs" in v.text for v in verdicts), "verdicts")
            expect("What differs" in text, "no list of what differs")
        shutil.copy(page, artefacts)


def png_pixels(data):
    """(width, height, rows of RGB(A) bytes) of an 8-bit PNG."""
    pos, idat, width, height, channels = 8, b"", 0, 0, 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            expect(depth == 8 and colour in (2, 6), "PNG of an unread kind")
            channels = 3 if colour == 2 else 4
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        row = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = row[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                row[i] = (row[i] + left) & 0xFF
            elif kind == 2:
                row[i] = (row[i] + up) & 0xFF
            elif kind == 3:
                row[i] = (row[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                near = left if pa <= pb and pa <= pc else up if pb <= pc else corner
                row[i] = (row[i] + near) & 0xFF
        rows.append(bytes(row))
        previous = row
    return width, height, channels, rows


def browser(tmp, artefacts):
    from browser import Browser, chromium_path
    if chromium_path() is None:
        print("skipped: chromium (package chromium) is not installed")
        sys.exit(SKIPPED)
    for name, args, *_ in cases(tmp):
        page = make_page(tmp, name, args)
        b = Browser()
        try:
            b.open("file://" + os.path.abspath(page))
            errors = b.errors()
            sizes = b.evaluate(
                "Array.from(document.querySelectorAll('svg')).map(s => {"
                "const r = s.getBoundingClientRect(); return [r.width, r.height]})")
            shot = os.path.join(artefacts, name + ".png")
            b.screenshot(shot)
            small = os.path.join(tmp, name + "-small.png")
            b.screenshot(small, width=1000, scale=0.1)
        finally:
            b.close()
        expect(not errors, f"{name}: console errors {errors}")
        expect(sizes and all(w > 0 and h > 0 for w, h in sizes),
               f"{name}: SVG sizes {sizes}")
        with open(small, "rb") as f:
            width, height, channels, rows = png_pixels(f.read())
        pixels = [row[i:i + 3] for row in rows
                  for i in range(0, len(row), channels)]
        colours = set(pixels)
        background = max(colours, key=pixels.count)
        painted = sum(p != background for p in pixels) / len(pixels)
        expect(len(colours) > 20 and painted > 0.02,
               f"{name}: the page looks blank ({len(colours)} colours, "
               f"{painted:.1%} painted)")
        print(f"{name}: {len(sizes)} charts laid out, screenshot {shot}")


def main(argv):
    global report
    if len(argv) != 4 or argv[3] not in ("structure", "browser"):
        sys.exit(__doc__)
    report = [os.path.abspath(argv[1])]
    artefacts = os.path.abspath(argv[2])
    os.makedirs(artefacts, exist_ok=True)
    tmp = tempfile.mkdtemp(prefix="drives-html-")
    try:
        (structure if argv[3] == "structure" else browser)(tmp, artefacts)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    print(f"{argv[3]}: passed")


if __name__ == "__main__":
    main(sys.argv)
