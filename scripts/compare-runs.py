#!/usr/bin/env python3
"""Compares two working folders after the same commands ran in each (the Linux norvik-cli in one,
the Windows norvik-cli.exe under Wine in the other), file by file, and exits 1 at a difference.

- trace.txt (NORVIK_TRACE): event by event, without the time column. A copy or erase runs for
  a time on the wall clock while the host polls it, so how many polls see it below 100 % and the
  percentage each reads follow the machine's load: a report below 100 % is compared as "some
  value below 100", and a run of identical polling cycles below 100 % (pause, reads) as one.
  Every other event, byte, length, time-out, result and pause must be equal.
- systemlog.log: as text (code page 936), with the timestamps of its lines blanked.
- journal.csv: record by record, with the fields that follow the clock (time, seconds, MB/s)
  blanked and the file field cut to its name (the two folders' paths differ).
- Every other file (outputs, socket images, read-backs, each command's output and exit code):
  byte for byte. Programs and libraries (*.exe, *.dll) are left out.
"""
import csv
import io
import pathlib
import re
import sys

PROGRESS = re.compile(r"^(R 2 16 \d+ 16 3255)([0-9A-F]{2})(.*)$")
STAMP = re.compile(r"\d{4}年\d{2}月\d{2}日\d{2}:\d{2}:\d{2}")


def trace_events(path: pathlib.Path):
    events = []
    for line in path.read_text(encoding="ascii").splitlines():
        event = line.split(" ", 1)[1] if " " in line else line
        m = PROGRESS.match(event)
        if m and int(m.group(2), 16) < 100:
            event = f"{m.group(1)}<100{m.group(3)}"
        events.append(event)
    return collapse_polls(events)


def collapse_polls(events):
    """Keeps one of each run of identical polling cycles below 100 %: a pause followed by every
    read of a report below 100 % up to the next other event."""
    kept = []
    last_cycle = None
    i = 0
    while i < len(events):
        j = i + 1
        if events[i].startswith("P "):
            while j < len(events) and events[j].startswith("R ") and "<100" in events[j]:
                j += 1
        cycle = events[i:j]
        if len(cycle) > 1:
            if cycle != last_cycle:
                kept += cycle
            last_cycle = cycle
        else:
            kept += cycle
            last_cycle = None
        i = j
    return kept


def log_text(path: pathlib.Path):
    return STAMP.sub("<time>", path.read_bytes().decode("gbk", errors="replace"))


# journal.csv's fields that follow the clock (time, seconds, MB/s), and its file field.
JOURNAL_CLOCK_FIELDS = (0, 19, 20)
JOURNAL_FILE_FIELD = 12


def journal_records(path: pathlib.Path):
    def field(i, f):
        if i in JOURNAL_CLOCK_FIELDS:
            return "<clock>"
        return re.split(r"[\\/]", f)[-1] if i == JOURNAL_FILE_FIELD else f

    records = []
    for row in csv.reader(io.StringIO(path.read_text(encoding="utf-8-sig"), newline="")):
        records.append([field(i, f) for i, f in enumerate(row)])
    return records


def first_difference(a, b):
    for i, (x, y) in enumerate(zip(a, b)):
        if x != y:
            return i
    return min(len(a), len(b)) if len(a) != len(b) else None


def files_of(folder: pathlib.Path):
    return {
        p.relative_to(folder).as_posix()
        for p in folder.rglob("*")
        if p.is_file() and p.suffix.lower() not in (".exe", ".dll")
    }


def main() -> int:
    left, right = (pathlib.Path(a) for a in sys.argv[1:3])
    problems = []
    names = files_of(left) | files_of(right)
    for name in sorted(names):
        a, b = left / name, right / name
        if not a.exists() or not b.exists():
            problems.append(f"{name}: only in {left if a.exists() else right}")
            continue
        if name.endswith("trace.txt"):
            ea, eb = trace_events(a), trace_events(b)
            at = first_difference(ea, eb)
            if at is not None:
                show = lambda e: e[at] if at < len(e) else "(end of trace)"
                problems.append(f"{name}: {len(ea)} and {len(eb)} events; event {at + 1} differs:\n"
                                f"  {show(ea)}\n  {show(eb)}")
        elif name.lower().endswith("journal.csv"):
            ra, rb = journal_records(a), journal_records(b)
            at = first_difference(ra, rb)
            if at is not None:
                show = lambda r: r[at] if at < len(r) else "(no record)"
                problems.append(f"{name}: record {at} differs:\n  {show(ra)}\n  {show(rb)}")
        elif name.lower().endswith("systemlog.log"):
            if log_text(a) != log_text(b):
                problems.append(f"{name}: the logs differ:\n{log_text(a)!r}\n{log_text(b)!r}")
        elif a.read_bytes() != b.read_bytes():
            problems.append(f"{name}: contents differ ({a.stat().st_size} and {b.stat().st_size} bytes)")
    for p in problems:
        print(p)
    if problems:
        return 1
    print(f"{left} and {right}: {len(names)} files alike")
    return 0


if __name__ == "__main__":
    sys.exit(main())
