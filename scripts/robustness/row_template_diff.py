#!/usr/bin/python3
"""Splits every workbook of a folder whose category sheets come from a row
template a second time with whole copies (SHEETSPLICER_ROW_TEMPLATE=0), and
tells whether the two results are the same file, part for part.

    row_template_diff.py --cli PATH [--limit S] [FOLDER]

Each file: `sheetsplicer-cli classify FILE OUTDIR --column 1` with the
office's log on; only the files where it says the copies are made from a row
template are split again. Prints a line per such file and a count at the end;
exits 1 when any two results differ. Chart axis numbers, which the office makes
afresh at every save, and differential formats no part uses are left out.
"""
import argparse
import hashlib
import os
import re
import subprocess
import zipfile
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tests", "support"))
from e2e_workbook import part_digests  # noqa: E402

WORKBOOK_ENDINGS = (".xls", ".xlsx", ".xlsm")
# The office numbers a chart's axes afresh at every save.
AXIS_IDS = re.compile(rb'(<c:(?:axId|crossAx) val=")\d+(")')
# A sort leaves a differential format behind in the styles, which nothing uses
# unless a part names one.
DIFFERENTIAL_FORMATS = re.compile(rb"<dxfs count=\"\d+\">.*?</dxfs>|<dxfs count=\"0\"/>", re.S)


def digests(path):
    """The parts' digests, with the axis numbers of charts left out."""
    if not zipfile.is_zipfile(path):
        return part_digests(path)
    package = zipfile.ZipFile(path)
    found = part_digests(path)
    named = any(b"dxfId" in package.read(name) for name in found if name != "xl/styles.xml")
    for name in found:
        if name.startswith("xl/charts/"):
            found[name] = hashlib.sha256(AXIS_IDS.sub(rb"\1-\2", package.read(name))).hexdigest()
        elif name == "xl/styles.xml" and not named:
            found[name] = hashlib.sha256(DIFFERENTIAL_FORMATS.sub(b"", package.read(name))).hexdigest()
    return found
TEMPLATE_SAID = "are made from a row template"


def split(cli, path, out, limit, whole):
    env = dict(os.environ, QT_LOGGING_RULES="sheetsplicer.office.info=true")
    if whole:
        env["SHEETSPLICER_ROW_TEMPLATE"] = "0"
    os.makedirs(out)
    try:
        run = subprocess.run(["timeout", "--kill-after=10", str(limit), cli, "classify", path, out, "--column", "1"],
                             env=env, capture_output=True, text=True, errors="replace")
    except OSError as error:
        return None, str(error)
    lines = run.stdout.strip().splitlines()
    saved = os.path.join(out, os.path.basename(path))
    return (saved if os.path.isfile(saved) else None), (lines[-1] if lines else "") + "\n" + run.stderr


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cli", required=True)
    parser.add_argument("--limit", type=int, default=180)
    parser.add_argument("folder", nargs="?",
                        default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                             "shared", "corpus", "realworld"))
    args = parser.parse_args(argv)
    files = sorted(f for f in os.listdir(args.folder) if f.lower().endswith(WORKBOOK_ENDINGS))
    templated = same = 0
    differing = []
    for name in files:
        with tempfile.TemporaryDirectory() as scratch:
            path = os.path.join(args.folder, name)
            first, said = split(args.cli, path, os.path.join(scratch, "template"), args.limit, False)
            if TEMPLATE_SAID not in said:
                continue
            templated += 1
            second, said_whole = split(args.cli, path, os.path.join(scratch, "whole"), args.limit, True)
            ending = said.splitlines()[0]
            if first and second and ending == said_whole.splitlines()[0] \
                    and digests(first) == digests(second):
                same += 1
                print("same     %s" % name, flush=True)
            else:
                differing.append(name)
                print("DIFFERS  %s: %s / %s" % (name, ending, said_whole.splitlines()[0]), flush=True)
    print("%d workbooks, %d split from a row template, %d the same as with whole copies, %d differ"
          % (len(files), templated, same, len(differing)))
    return 1 if differing else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
