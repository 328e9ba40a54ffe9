#!/usr/bin/python3
"""Adds new records to a result, as a week of work would, in an office of its
own, and saves it under a new name; and beside it the same records as a
summary alone, for the fresh split the update is held to.

Each new row takes the formats of the row above it first. classify: the
records go below the summary's last record (its sheet is the largest one
besides the index), each in an existing category in turn. link: they go
below the records of the category sheets, one sheet after the other.

The summary alone: every other sheet removed, the job's mark removed, its
cells as values, the new records below its last record.

Usage: grow_result.py classify|link RESULT OUT SUMMARY_ALONE COUNT FIRST_DATA_ROW
Column 1 holds the category, column 2 the key; keys of new records are
"N000001", ...
"""

import os
import subprocess
import sys
import tempfile
import time

import uno
from com.sun.star.beans import PropertyValue


def prop(name, value):
    p = PropertyValue()
    p.Name = name
    p.Value = value
    return p


def used_rows(sheet):
    cursor = sheet.createCursor()
    cursor.gotoEndOfUsedArea(False)
    return cursor.RangeAddress.EndRow + 1, cursor.RangeAddress.EndColumn + 1


def append(sheet, last, data):
    """`data` below row `last` (1-based), each new row first formatted as row
    `last` is, as a user's rows typed under a table take its formats."""
    columns = len(data[0])
    source = sheet.getCellRangeByPosition(0, last - 1, columns - 1, last - 1).RangeAddress
    for i in range(len(data)):
        sheet.copyRange(sheet.getCellByPosition(0, last + i).CellAddress, source)
    sheet.getCellRangeByPosition(0, last, columns - 1, last + len(data) - 1).setDataArray(data)


def record(n, category, columns):
    return tuple([category, "N%06d" % n] + [float(n % 97 + c) for c in range(columns - 2)])


def summary_of(doc):
    sheets = [doc.Sheets.getByIndex(i) for i in range(doc.Sheets.Count)]
    sheets = [s for s in sheets if s.Name != "目录"]
    return max(sheets, key=lambda s: used_rows(s)[0]), sheets


def new_records(doc, job, count, first):
    """Where each new record goes: (sheet, record), in order."""
    summary, sheets = summary_of(doc)
    rows, columns = used_rows(summary)
    if job == "classify":
        categories = sorted({summary.getCellByPosition(0, r).getString() for r in range(first - 1, min(rows, first + 500))})
        return [(summary, record(n + 1, categories[n % len(categories)], columns)) for n in range(count)]
    targets = [s for s in sheets if s.Name != summary.Name]
    placed = []
    for n in range(count):
        sheet = targets[n % len(targets)]
        placed.append((sheet, record(n + 1, sheet.getCellByPosition(0, first - 1).getString(), columns)))
    return placed


def grow(placed):
    names = []
    for sheet, _ in placed:
        if sheet.Name not in names:
            names.append(sheet.Name)
    for name in names:
        rows = tuple(r for s, r in placed if s.Name == name)
        sheet = next(s for s, _ in placed if s.Name == name)
        append(sheet, used_rows(sheet)[0], rows)


def alone(doc, job, placed):
    summary, _ = summary_of(doc)
    rows, columns = used_rows(summary)
    block = summary.getCellRangeByPosition(0, 0, columns - 1, rows - 1)
    values = block.getDataArray()
    # The other sheets go first: their lookups would follow every write.
    for name in doc.Sheets.ElementNames:
        if name != summary.Name:
            doc.Sheets.removeByName(name)
    # A link summary's lookups become values; a classify summary holds
    # values already, and is left as it is (rewritten, its rows would take
    # other heights).
    if job == "link":
        block.setDataArray(values)
    properties = doc.DocumentProperties.UserDefinedProperties
    for p in properties.PropertySetInfo.Properties:
        if p.Name.startswith("Sheetsplicer"):
            properties.removeProperty(p.Name)
    append(summary, rows, tuple(r for _, r in placed))


def load(desktop, path):
    doc = desktop.loadComponentFromURL(uno.systemPathToFileUrl(os.path.abspath(path)), "_blank", 0,
                                       (prop("Hidden", True),))
    for i in range(doc.Sheets.Count):
        if doc.Sheets.getByIndex(i).isProtected():
            doc.Sheets.getByIndex(i).unprotect("")
    return doc


def store(doc, path):
    doc.storeToURL(uno.systemPathToFileUrl(os.path.abspath(path)), (prop("FilterName", "Calc MS Excel 2007 XML"),))
    doc.close(True)


def main(argv):
    job, source, out, summary_alone, count, first = argv[1], argv[2], argv[3], argv[4], int(argv[5]), int(argv[6])
    with tempfile.TemporaryDirectory() as profile:
        pipe = "bench-grow-%d" % os.getpid()
        office = subprocess.Popen(["soffice", "--headless", "--norestore", "--nologo",
                                   "-env:UserInstallation=file://" + profile, "--accept=pipe,name=%s;urp;" % pipe],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            local = uno.getComponentContext()
            resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
            context = None
            for _ in range(600):
                try:
                    context = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
                    break
                except Exception:
                    time.sleep(0.1)
            desktop = context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", context)
            doc = load(desktop, source)
            grow(new_records(doc, job, count, first))
            store(doc, out)
            doc = load(desktop, source)
            alone(doc, job, new_records(doc, job, count, first))
            store(doc, summary_alone)
            desktop.terminate()
        finally:
            try:
                office.wait(timeout=60)
            except subprocess.TimeoutExpired:
                office.kill()
    print("grown=%d" % count)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
