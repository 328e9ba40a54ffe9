"""Summary tables in the shapes people really keep, for e2e_shapes_test.

Each kind writes one workbook; make_workbook.py offers them by name.
"""
import datetime

import openpyxl
from openpyxl.workbook.protection import WorkbookProtection


def offset(path):
    """A table that does not start at A1: rows 1-2 empty, headers in B3:F3,
    records in rows 4-13 (two without a category), a totals row below them,
    and the user's other sheets: notes, lists and an empty Sheet3."""
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Summary"
    ws["B3"], ws["C3"], ws["D3"], ws["E3"], ws["F3"] = "No", "Key", "Region", "Q1", "Q2"
    regions = ["East", "West", "East", None, "North", "West", None, "East", "North", "East"]
    for i, region in enumerate(regions, start=1):
        row = 3 + i
        for column, value in zip("BCDEF", (i, "K%02d" % i, region, i * 100 + 1, i * 100 + 2)):
            ws["%s%d" % (column, row)] = value
    ws["B14"] = "Total"
    ws["E14"] = sum(i * 100 + 1 for i in range(1, 11))
    ws["F14"] = sum(i * 100 + 2 for i in range(1, 11))

    notes = wb.create_sheet("Notes")
    for row in (["Remember", None, "due"], ["Budget", 12.5, 3], ["Owner", "张三"], [], [None, None, 42]):
        notes.append(row)
    lists = wb.create_sheet("Lists")
    for row in (["Regions"], ["East"], ["West"], ["North"]):
        lists.append(row)
    wb.create_sheet("Sheet3")
    wb.save(path)


LONG_1 = "Zhejiang-Hangzhou-Xihu-District-Office-1"   # 40 characters
LONG_2 = "Zhejiang-Hangzhou-Xihu-District-Office-2"   # the same first 31


def names(path):
    """Category values that cannot be sheet names as they stand, in a table
    with an empty row under the header and another one among the records."""
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Summary"
    ws.append(["Category", "Key", "Q1", "Q2"])
    ws.append([])
    values = ["[Q1] plan", LONG_1, "'quoted'", "Abc", "目录", None, "???", "abc", LONG_2,
              "summary", "notes", "[Q1] plan", "Abc", "???", "abc", "a*c", "a~c"]
    key = 0
    for value in values:
        if value is None:
            ws.append([])
            continue
        key += 1
        ws.append([value, "K%02d" % key, key * 10 + 1, key * 10 + 2])
    wb.create_sheet("Notes")["A1"] = "keep me"
    wb.save(path)


def dates(path):
    """Dates as categories, the header in row 5 under four empty rows."""
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Summary"
    for column, title in zip("ABCD", ("Date", "Key", "Amount", "Count")):
        ws["%s5" % column] = title
    days = [1, 2, 1, 3, 2, 1]
    for i, day in enumerate(days, start=1):
        row = 5 + i
        ws["A%d" % row] = datetime.date(2024, 3, day)
        ws["A%d" % row].number_format = "yyyy-mm-dd"
        ws["B%d" % row], ws["C%d" % row], ws["D%d" % row] = "K%d" % i, i * 1.5, i
    wb.save(path)


def guarded(path, variant):
    """A plain table made unusable one way: "sheet" protects the summary with
    a password, "structure" locks the workbook structure, "merged" merges
    category cells A3:A5, "formulas" computes the last category from the row
    above it, a row that does not stay on that category's sheet."""
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Summary"
    ws.append(["Region", "Key", "Q1", "Q2"])
    for i, region in enumerate(["East", "East", "East", "East", "West", "North"], start=1):
        ws.append([region, "K%d" % i, i * 10 + 1, i * 10 + 2])
    if variant == "sheet":
        ws.protection.sheet = True
        ws.protection.password = "pw"
    elif variant == "structure":
        wb.security = WorkbookProtection(workbookPassword="pw", lockStructure=True)
    elif variant == "merged":
        ws.merge_cells("A3:A5")
    elif variant == "formulas":
        ws["A7"] = '=IF(A6="West","North","South")'
    else:
        raise SystemExit("unknown variant " + variant)
    wb.save(path)


SHAPES = {"offset": offset, "names": names, "dates": dates, "guarded": guarded}
