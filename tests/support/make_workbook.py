#!/usr/bin/env python3
"""Writes the small workbooks the tests work on.

    make_workbook.py KIND OUT.xlsx [ARGS...]
"""
import datetime
import sys
import openpyxl
from openpyxl.comments import Comment
from openpyxl.styles import Alignment, Font, PatternFill
from openpyxl.workbook.defined_name import DefinedName
from openpyxl.worksheet.pagebreak import Break
from openpyxl.workbook.protection import WorkbookProtection

from excel_workbook import KINDS as EXCEL_KINDS
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


def costing(path, rows="60", categories="12", *options):
    """A costing sheet: row 1 names the columns, row 2 holds a factor per
    column, and every record's cells from D on are formulas reading its own
    base and the factor row (=$C3*D$2). Categories in column A go round robin
    and every fourth record is filled. With "tall" every record row is 30 pt
    high; with "relative" the formulas name the factor row relatively
    (=$C3*D2); with "comment" the second record has a comment; with "12.75"
    the sheet's rows are 12.75 pt high, next to the office's own 12.8; with
    "indirect" a second sheet reads a category sheet's first formula by its
    name (INDIRECT)."""
    rows, categories = int(rows), int(categories)
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Summary"
    ws.append(["Team", "Key", "Base", "Labour", "Parts", "Travel", "Tax"])
    ws.append([None, None, None, 2, 3, 5, 0.2])
    factor = "%s2" if "relative" in options else "%s$2"
    for i in range(rows):
        r = i + 3
        ws.append(["Team %02d" % (i % categories + 1), "K%04d" % (i + 1), (i * 37) % 101 + 1]
                  + ["=$C%d*%s" % (r, factor % col) for col in "DEFG"])
        if i % 4 == 0:
            ws.cell(row=r, column=3).fill = PatternFill("solid", fgColor="FFFF00")
        if "tall" in options:
            ws.row_dimensions[r].height = 30
    if "comment" in options:
        ws["B4"].comment = Comment("comment-K0002", "Clerk")
    ws.column_dimensions["B"].width = 14
    if "12.75" in options:
        ws.sheet_format.defaultRowHeight = 12.75
    ws.freeze_panes = "A3"
    if "indirect" in options:
        check = wb.create_sheet("Check")
        check["A1"] = "=INDIRECT(\"'Team 03'!D3\")"
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


def chinese(path, notes="open"):
    """A summary as Chinese offices keep one: 微软雅黑 headers and 宋体 records,
    a frozen header row, dates in the built-in short date (14) and date-time
    (22) formats, a comment with its author, a workbook name on the table,
    and two sheets of the user's with a total over both ("备注:合计"); with
    notes "protected", 备注 protected with a password of its own."""
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "汇总"
    ws.append(["地区", "编号", "日期", "时间", "金额"])
    for column in range(1, 6):
        ws.cell(row=1, column=column).font = Font(name="微软雅黑", bold=True, size=12)
    for i, region in enumerate(["东区", "西区", "南区", "东区", "西区", "北区"]):
        ws.append([region, "K%03d" % (i + 1), datetime.date(2024, 3, i + 1),
                   datetime.datetime(2024, 3, i + 1, 8, 30), 100 + i])
        for column in range(1, 6):
            ws.cell(row=ws.max_row, column=column).font = Font(name="宋体", size=11)
        ws.cell(row=ws.max_row, column=3).number_format = "mm-dd-yy"
        ws.cell(row=ws.max_row, column=4).number_format = "m/d/yy h:mm"
    ws["B3"].comment = Comment("请核对西区的数", "张三")
    ws.freeze_panes = "A2"
    wb.defined_names.append(DefinedName("明细", attr_text="'汇总'!$A$1:$E$7"))
    note = wb.create_sheet("备注")
    note["A1"] = "说明"
    note["B1"] = 1
    total = wb.create_sheet("合计")
    total["B1"] = 2
    total["A2"] = "=SUM(备注:合计!B1)"
    total["A3"] = "=SUM(汇总!E2:E7)"
    if notes == "protected":
        note.protection.sheet = True
        note.protection.password = "keep"
    wb.save(path)


def dressed(path, count="60", hidden="shown"):
    """Many categories of two rows each, on a summary dressed as for print:
    a merged title, print area and title rows, header and footer, column
    widths, a tall row, fonts, fills, number formats, a link, a frozen pane,
    a sheet-level name, and a sheet of the user's beside it. With "hidden",
    two data rows are hidden."""
    count = int(count)
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Summary"
    ws.append(["Monthly figures"])
    ws.merge_cells("A1:E1")
    ws["A1"].font = Font(name="Arial", size=14, bold=True)
    ws.row_dimensions[1].height = 30
    ws.append(["Team", "Key", "Amount", "Share", "Day"])
    for i in range(2 * count):
        ws.append(["Team %03d" % (i % count), "K%04d" % i, i * 7.5, i / 1000, datetime.date(2024, 1, 1 + i % 28)])
        r = ws.max_row
        ws.cell(row=r, column=3).number_format = "#,##0.00"
        ws.cell(row=r, column=4).number_format = "0.0%"
        ws.cell(row=r, column=5).number_format = "yyyy-mm-dd"
        if i % 3 == 0:
            ws.cell(row=r, column=2).fill = PatternFill("solid", fgColor="DDEEFF")
    ws.column_dimensions["A"].width = 18
    ws.column_dimensions["C"].width = 14
    if hidden == "hidden":
        ws.row_dimensions[5].hidden = True
        ws.row_dimensions[count + 6].hidden = True
    ws["B5"].hyperlink = "https://example.org/k"
    ws.freeze_panes = "A3"
    ws.print_area = "A1:E%d" % ws.max_row
    ws.print_title_rows = "1:2"
    ws.oddHeader.center.text = "&A"
    ws.oddFooter.right.text = "Page &P of &N"
    ws.page_setup.orientation = "landscape"
    wb.defined_names.append(DefinedName("Teams", localSheetId=0, attr_text="Summary!$A$3:$A$%d" % ws.max_row))
    other = wb.create_sheet("Notes")
    other["A1"] = "Kept as it is"
    other["B1"] = "=COUNTA(Summary!A:A)"
    wb.save(path)


def row_layout(path, what="heights", shown="open", count="12"):
    """Four rows a category, the categories taking turns, and rows that carry
    more than their cells: with "heights", two of one category's rows taller
    than the rest, one with text on two lines; with "break", a page break set
    before row 9; with "outline", rows 5 to 10 in a group, which "closed"
    shows closed."""
    count = int(count)
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Summary"
    ws.append(["Team", "Key", "Amount", "Note"])
    for i in range(4 * count):
        ws.append(["Team %02d" % (i % count), "K%03d" % i, i * 3, "line one\nline two" if i % count == 5 else ""])
    if what == "heights":
        ws.row_dimensions[7].height = 40
        ws.row_dimensions[7 + count].height = 33
        ws["D7"].alignment = Alignment(wrap_text=True)
    elif what == "break":
        ws.row_breaks.append(Break(id=8))
    elif what == "outline":
        for r in range(5, 11):
            ws.row_dimensions[r].outlineLevel = 1
            ws.row_dimensions[r].hidden = shown == "closed"
        ws.row_dimensions[11].collapsed = shown == "closed"
    wb.save(path)


def category_files(path, blank_row=None):
    """A summary for one workbook per category: a title row, a header row,
    seven records (category in A, key in B, a note naming the key in G) whose
    amount reads its own row and whose share reads every record, a comment
    on K002, a totals row, a frozen header, a name, and a second sheet that
    the totals row reads. BLANK_ROW: a record row left without its category."""
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Summary"
    ws.append(["Sales by region"])
    ws.append(["Region", "Key", "Qty", "Price", "Amount", "Share", "Note"])
    names = ("East", "West", "North", "East", "North", "West", "East")
    for i, name in enumerate(names):
        r = i + 3
        ws.append([name, "K%03d" % (i + 1), i + 1, 10 * (i + 1), "=C%d*D%d" % (r, r),
                   "=E%d/SUM($E$3:$E$9)" % r, "note-K%03d" % (i + 1)])
    ws.append([None, "Total", "=SUM(C3:C9)", None, "=SUM(E3:E9)", None, "=Notes!A1"])
    ws["B4"].comment = Comment("comment-K002", "Clerk")
    if blank_row:
        ws["A%s" % blank_row] = None
    ws.freeze_panes = "A3"
    ws.column_dimensions["G"].width = 30
    notes = wb.create_sheet("Notes")
    notes["A1"] = "notes-sheet-text"
    wb.defined_names.append(DefinedName("Amounts", attr_text="Summary!$E$3:$E$9"))
    wb.save(path)


def lookup_keys(path, variant="unique", title="Summary"):
    """A summary whose category sheets look up values that are hard to write
    back: texts with markup characters and line breaks, empty cells, long and
    small numbers, a key that is a number and a formula's result. "case" adds
    a key that differs from another only in case, "wildcard" a key holding a
    wildcard, "reader" a sheet whose formula names a category sheet, "comment"
    a comment on a looked-up cell. The summary sheet is named `title`."""
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = title
    ws.append(["Region", "Key", "Q1", "Q2", "Q3"])
    rows = [
        ["East", "K001", 1.5, "a & b <c>", None],
        ["West", "K002", -0.25, None, "x"],
        ["East", 3, 1e-7, "line\nbreak", 12345678901234],
        ["North", "K004", 0, "Ünïcödé 中文", " spaced "],
        ["West", "K005", 2 / 3, "=C6*3", "=D6&\"!\""],
        ["North", "Straße", 7, "seven", 7],
    ]
    if variant == "case":
        rows.append(["East", "k001", 8, "eight", 8])
    if variant == "wildcard":
        rows.append(["East", "K?07", 9, "nine", 9])
    for row in rows:
        ws.append(row)
    if variant == "comment":
        ws["C3"].comment = openpyxl.comments.Comment("checked", "Auditor")
    if variant == "indirect":
        other = wb.create_sheet("Totals")
        other.append(["First", '=INDIRECT("Summary!C2")'])
    wb.save(path)


KINDS = {"categories": categories, "empty-column": empty_column, "striped": striped, "gapped": gapped,
         "costing": costing}
KINDS["e2e-table"] = e2e_table
KINDS["lookup-keys"] = lookup_keys
KINDS["category-files"] = category_files
KINDS.update(SHAPES)
KINDS["protected"] = protected
KINDS["shown"] = shown
KINDS["chinese"] = chinese
KINDS["dressed"] = dressed
KINDS["row-layout"] = row_layout
KINDS.update(EXCEL_KINDS)

if __name__ == "__main__":
    KINDS[sys.argv[1]](sys.argv[2], *sys.argv[3:])
