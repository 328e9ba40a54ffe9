#!/usr/bin/python3
"""Splits every .xlsx/.xlsm workbook of a folder with lookups twice, once as
usual and once with the office calculating every lookup
(SHEETSPLICER_KNOWN_RESULTS=0), and compares the results stored in every
cell of the two files.

    lookup_results_diff.py --cli PATH [--limit S] [FOLDER]

Each file's first sheet is read with openpyxl: the first of its first rows
that is as wide as the widest of them ends the header, the first column after
column 1 whose records nearly all hold a value, nearly each a different one,
is matched, and the columns after it up to the last used one are the editable
range: `sheetsplicer-cli classify FILE OUTDIR --column 1 --edit-range RANGE
--match-column N --header-rows H`. Files with no such column are skipped.
Prints a line per file that differs or fails only once, and a count at the
end: how many files the job wrote the lookups' results for, how many it left
to the office; exits 1 when any two results differ.

Where the lookups went to the office as stand-ins (numbers, their formulas
written into the package), the file is split a third time with the office
storing every lookup itself (SHEETSPLICER_LOOKUP_STAND_INS=0): the two files
must be the same, part for part, but for the document's dates and the styles
(where the office fills a tall block down and puts its formatting back, it
records formats of its own).
"""
import argparse
import html
import os
import re
import subprocess
import sys
import tempfile
import zipfile

import openpyxl
from openpyxl.utils import get_column_letter

ENDINGS = (".xlsx", ".xlsm")
WRITTEN = "lookups stored uncalculated"
STOOD_IN = "lookups stored uncalculated as stand-ins"
UNCOMPARED = ("docProps/core.xml", "xl/styles.xml")
CELL = re.compile(rb'<c r="([A-Z]+[0-9]+)"([^>]*?)(?:/>|>(.*?)</c>)', re.S)
TYPE = re.compile(rb' t="(\w+)"')
VALUE = re.compile(rb"<v>(.*?)</v>", re.S)


def layout(path):
    """(edit range, match column, header rows) for the first sheet, or None."""
    try:
        book = openpyxl.load_workbook(path, read_only=True, data_only=True)
        sheet = book.worksheets[0]
        rows = [list(r) for r in sheet.iter_rows(max_row=5000, max_col=60, values_only=True)]
    except Exception:  # noqa: BLE001 - any file openpyxl cannot read is skipped
        return None
    count = [sum(1 for v in r if v not in (None, "")) for r in rows]
    filled = [i for i, n in enumerate(count) if n]
    if len(filled) < 4:
        return None
    # The header: the first of the first rows that is as wide as the widest of them.
    widest = max(count[i] for i in filled[:10])
    header = next(i for i in filled[:10] if count[i] == widest)
    last = filled[-1]
    last_column = max(c for i in filled for c, v in enumerate(rows[i]) if v not in (None, "")) + 1
    records = [i for i in filled if i > header]
    for column in range(2, last_column):
        values = [rows[i][column - 1] if column - 1 < len(rows[i]) else None for i in records]
        present = [repr(v) for v in values if v not in (None, "")]
        if len(present) >= 0.9 * len(values) and len(set(present)) >= 0.9 * len(present):
            edit = "%s%d:%s%d" % (get_column_letter(column + 1), header + 2, get_column_letter(last_column), last + 1)
            return edit, column, header + 1
    return None


def stored(path):
    """Every cell's stored type and value, by sheet part and reference."""
    cells = {}
    with zipfile.ZipFile(path) as package:
        for name in package.namelist():
            if not name.startswith("xl/worksheets/sheet"):
                continue
            for match in CELL.finditer(package.read(name)):
                kind = TYPE.search(match.group(2))
                value = VALUE.search(match.group(3) or b"")
                kind = kind.group(1) if kind else b"n"
                text = value.group(1) if value else None
                if kind == b"n" and text is not None:
                    text = float(text)
                elif text is not None:
                    text = html.unescape(text.decode("utf-8"))
                cells[(name, match.group(1))] = (kind, text)
    return cells


def same(a, b):
    if a == b:
        return True
    if a is None or b is None or a[0] != b[0] or not isinstance(a[1], float) or not isinstance(b[1], float):
        return False
    return abs(a[1] - b[1]) <= 1e-14 * max(abs(a[1]), abs(b[1]))


def parts_differing(a, b):
    """The parts of two packages that differ, but for those not compared."""
    with zipfile.ZipFile(a) as x, zipfile.ZipFile(b) as y:
        names = set(x.namelist()) | set(y.namelist())
        return sorted(n for n in names if n not in UNCOMPARED
                      and (n not in x.namelist() or n not in y.namelist() or x.read(n) != y.read(n)))


def split(cli, path, out, limit, edit, match, header_rows, known, stand_ins=True):
    env = dict(os.environ, QT_LOGGING_RULES="sheetsplicer.office.info=true")
    if not known:
        env["SHEETSPLICER_KNOWN_RESULTS"] = "0"
    if not stand_ins:
        env["SHEETSPLICER_LOOKUP_STAND_INS"] = "0"
    os.makedirs(out)
    run = subprocess.run(["timeout", "--kill-after=10", str(limit), cli, "classify", path, out, "--column", "1",
                          "--edit-range", edit, "--match-column", str(match), "--header-rows", str(header_rows)],
                         env=env, capture_output=True, text=True, errors="replace")
    saved = os.path.join(out, os.path.basename(path))
    return (saved if os.path.isfile(saved) else None), run.stderr


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True)
    parser.add_argument("--limit", type=int, default=180)
    parser.add_argument("folder", nargs="?",
                        default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                             "shared", "corpus", "realworld"))
    args = parser.parse_args(argv)
    files = sorted(f for f in os.listdir(args.folder) if f.lower().endswith(ENDINGS))
    tried = written = left = stood = 0
    differing = []
    for name in files:
        path = os.path.join(args.folder, name)
        shape = layout(path)
        if not shape:
            continue
        tried += 1
        with tempfile.TemporaryDirectory() as scratch:
            ours, said = split(args.cli, path, os.path.join(scratch, "known"), args.limit, *shape, True)
            office, _ = split(args.cli, path, os.path.join(scratch, "office"), args.limit, *shape, False)
            if (ours is None) != (office is None):
                differing.append(name)
                print("DIFFERS  %s: saved by one run only" % name, flush=True)
                continue
            if ours is None:
                continue
            if WRITTEN in said:
                written += 1
            else:
                left += 1
            if STOOD_IN in said:
                stood += 1
                printed, _ = split(args.cli, path, os.path.join(scratch, "printed"), args.limit, *shape, True, False)
                parts = parts_differing(ours, printed) if printed else ["the whole file: not saved"]
                if parts:
                    differing.append(name)
                    print("DIFFERS  %s: stand-ins against the office's formulas: %s" % (name, ", ".join(parts[:4])),
                          flush=True)
                    continue
            a, b = stored(ours), stored(office)
            wrong = [key for key in set(a) | set(b) if not same(a.get(key), b.get(key))]
            if wrong:
                differing.append(name)
                key = sorted(wrong)[0]
                print("DIFFERS  %s: %d cells, first %s %s: %r / %r" % (name, len(wrong), key[0], key[1].decode(),
                                                                      a.get(key), b.get(key)), flush=True)
    print("%d workbooks split with lookups: results written by the job in %d (as stand-ins in %d), "
          "left to the office in %d; %d differ" % (tried, written, stood, left, len(differing)))
    return 1 if differing else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
