#!/usr/bin/env python3
"""Writes the small workbooks the tests work on.

    make_workbook.py KIND OUT.xlsx [ARGS...]
"""
import datetime
import sys
import openpyxl
from openpyxl.styles import Font, PatternFill
from openpyxl.workbook.protection import WorkbookProtection

from shapes_workbook import SHAPES


def categories(path, header_rows="1", *names):
    """A summary table: header rows, then one row per record with its
    category in column A, a key in column B and numbers in C..F."""
    header_rows = int(header_rows)
    names = names or ("East", "West", "North", "East", "North", "West", "East")
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Summary"
    for h in range(1, header_rows + 1):
        ws.append(["Region" if h == header_rows else "Title %d" % h, "Key", "Q1", "Q2", "Q3", "Q4"])
        ws.cell(row=h, column=1).font = Font(bold=True)
    for i, name in enumerate(names):
        row = [name, "K%03d" % (i + 1)] + [(i + 1) * 10 + q for q in range(1, 5)]
        ws.append(row)
        if i % 2 == 0:
            ws.cell(row=ws.max_row, column=3).fill = PatternFill("solid", fgColor="FFFF00")
    ws.column_dimensions["B"].width = 21
    wb.save(path)


def empty_column(path):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Summary"
    ws.append(["Region", "Key", "Q1"])
    for i in range(5):
        ws.append([None, "K%d" % i, i])
    wb.save(path)


def e2e_table(path, title="Summary", header_rows="1", *names):
    """The summary table of the end-to-end tests: like "categories", under a
    sheet name of the caller's choice; with two or more header rows the first
    is a title merged across the table."""
    header_rows = int(header_rows)
    names = names or ("East", "West", "North", "East", "North", "West", "East")
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = title
    for h in range(1, header_rows + 1):
        if h == 1 and header_rows > 1:
            ws.append(["Quarterly figures"])
            ws.merge_cells(start_row=1, start_column=1, end_row=1, end_column=6)
        else:
            ws.append(["Region" if h == header_rows else "Note %d" % h, "Key", "Q1", "Q2", "Q3", "Q4"])
        ws.cell(row=h, column=1).font = Font(bold=True)
    for i, name in enumerate(names):
        ws.append([name, "K%03d" % (i + 1)] + [(i + 1) * 10 + q for q in range(1, 5)])
        if i % 2 == 0:
            ws.cell(row=ws.max_row, column=3).fill = PatternFill("solid", fgColor="FFFF00")
    wb.save(path)


def striped(path, rows="40", keys="keys"):
    """A tall table whose rows carry different formatting: every third row
    filled, every fifth row's D cell bold, column E as percent. Column A holds
    a key per row, or with "categories" one of three categories in runs."""
    rows = int(rows)
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Summary"
    ws.append(["Key", "A", "B", "C", "D"])
    for r in range(2, rows + 2):
        first = "K%03d" % r if keys == "keys" else ("North", "South", "East")[(r // 7) % 3]
        row = [first, r, r * 2, r * 3, r / 100]
        if keys != "keys":
            # Formulas that look at their own row, at a fixed block, and at
            # the row above: deleting rows must treat each as Excel does.
            row += ["=B%d*2" % r, "=SUM($B$2:$B$%d)" % (rows + 1), "=B%d" % (r - 1) if r > 2 else 0]
        ws.append(row)
        if r % 3 == 0:
            for c in range(1, 6):
                ws.cell(row=r, column=c).fill = PatternFill("solid", fgColor="FFFF00")
        if r % 5 == 0:
            ws.cell(row=r, column=4).font = Font(bold=True)
        ws.cell(row=r, column=5).number_format = "0.00%"
    wb.save(path)


def gapped(path):
    """A table broken by an empty row, with a row of formulas that show
    nothing above it: Excel's current region goes past the formulas and stops
    at the empty row."""
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Summary"
    for row in (["Region", "Key"], ["North", "K2"], ["South", "K3"], ['=""', '=""'],
                ["North", "K5"], [None, None], ["North", "K7"], ["South", "K8"]):
        ws.append(row)
    wb.save(path)


def shown(path):
    """Cells whose value is not what a reader sees: a date, a formula saved
    without its result (as scripts save them), and a category merged over
    three rows."""
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Summary"
    ws.append(["Day", "Region"])
    ws.append([datetime.date(2024, 3, 1), "East"])
    ws["A2"].number_format = "yyyy-mm-dd"
    ws.append(['="We"&"st"', None])
    ws.append([None, None])
    ws.merge_cells("B2:B4")
    wb.save(path)


def protected(path, *what):
    """The "categories" table with its sheet protected ("sheet") and/or the
    workbook's structure locked ("structure"), each with the password "pw"."""
    categories(path)
    wb = openpyxl.load_workbook(path)
    if "sheet" in what:
        wb.active.protection.sheet = True
        wb.active.protection.password = "pw"
    if "structure" in what:
        wb.security = WorkbookProtection(workbookPassword="pw", lockStructure=True)
    wb.save(path)


KINDS = {"categories": categories, "empty-column": empty_column, "striped": striped, "gapped": gapped}
KINDS["e2e-table"] = e2e_table
KINDS.update(SHAPES)
KINDS["protected"] = protected
KINDS["shown"] = shown

if __name__ == "__main__":
    KINDS[sys.argv[1]](sys.argv[2], *sys.argv[3:])
