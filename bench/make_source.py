#!/usr/bin/python3
"""Writes one summary workbook for the benchmark.

Layout (1-based columns):
  1            category, round robin over "Cat01".."CatNN"
  2            key, unique per row ("K000001")
  3..cols      numbers; in a rich table the last column is a formula (=C{r}*2)

Plain: row 1 is the header, data from row 2.
Rich: row 1 is a title merged across all columns, rows 2 and 3 are headers,
data from row 4, and every third data row has a fill colour.
Formulas: row 1 names the columns, row 2 holds a factor per column, data from
row 3; column 3 is a number and every later cell a formula reading its own row
and the factor row (=$C3*D$2), as in a costing sheet.

Usage: make_source.py --rows N --columns N --categories N --kind plain|rich|formulas OUT.xlsx
Prints the first and last data row ("first_row=4 last_row=1003").
"""

import argparse
import sys

from openpyxl import Workbook
from openpyxl.cell import WriteOnlyCell
from openpyxl.styles import Alignment, Font, PatternFill
from openpyxl.utils import get_column_letter


def parse_arguments(argv):
    parser = argparse.ArgumentParser(description="Write a summary workbook for the benchmark.")
    parser.add_argument("--rows", type=int, required=True, help="data rows")
    parser.add_argument("--columns", type=int, required=True, help="columns, at least 3")
    parser.add_argument("--categories", type=int, required=True, help="distinct categories")
    parser.add_argument("--kind", choices=("plain", "rich", "formulas"), default="plain")
    parser.add_argument("out", help="the .xlsx file to write")
    args = parser.parse_args(argv)
    if args.rows < 1 or args.columns < 3 or args.categories < 1:
        parser.error("need rows >= 1, columns >= 3, categories >= 1")
    if args.categories > args.rows:
        parser.error("more categories than rows")
    return args


def category_name(index, count):
    width = max(2, len(str(count)))
    return "Cat%0*d" % (width, index + 1)


def number_at(row_index, column):
    # Deterministic, varied, cheap.
    return (row_index * 37 + column * 101) % 10007


def write_formula_workbook(rows, columns, categories, out):
    book = Workbook(write_only=True)
    sheet = book.create_sheet("Summary")
    sheet.append(["Category", "Key", "Base"] + ["F%d" % c for c in range(4, columns + 1)])
    sheet.append([None, None, None] + [c - 2 for c in range(4, columns + 1)])
    for i in range(rows):
        r = 3 + i
        values = [category_name(i % categories, categories), "K%06d" % (i + 1), number_at(i, 3)]
        values += ["=$C%d*%s$2" % (r, get_column_letter(c)) for c in range(4, columns + 1)]
        sheet.append(values)
    book.save(out)
    return 3, 2 + rows


def write_workbook(rows, columns, categories, kind, out):
    if kind == "formulas":
        return write_formula_workbook(rows, columns, categories, out)
    rich = kind == "rich"
    book = Workbook(write_only=True)
    sheet = book.create_sheet("Summary")
    last_letter = get_column_letter(columns)

    if rich:
        title = WriteOnlyCell(sheet, value="Summary of %d records" % rows)
        title.font = Font(bold=True, size=14)
        title.alignment = Alignment(horizontal="center")
        sheet.append([title] + [None] * (columns - 1))
        sheet.merged_cells.add("A1:%s1" % last_letter)
        group = ["Record", None] + ["Figures"] + [None] * (columns - 3)
        sheet.append(group)

    header = ["Category", "Key"] + ["N%d" % c for c in range(3, columns + 1)]
    if rich:
        header[-1] = "Double"
    sheet.append(header)

    first_row = 4 if rich else 2
    fill = PatternFill(fill_type="solid", start_color="FFFFF2CC", end_color="FFFFF2CC")
    for i in range(rows):
        r = first_row + i
        values = [category_name(i % categories, categories), "K%06d" % (i + 1)]
        values += [number_at(i, c) for c in range(3, columns + 1)]
        if rich:
            values[-1] = "=C%d*2" % r
            if i % 3 == 0:
                cells = []
                for v in values:
                    cell = WriteOnlyCell(sheet, value=v)
                    cell.fill = fill
                    cells.append(cell)
                values = cells
        sheet.append(values)

    book.save(out)
    return first_row, first_row + rows - 1


def main(argv):
    args = parse_arguments(argv)
    first, last = write_workbook(args.rows, args.columns, args.categories, args.kind, args.out)
    print("first_row=%d last_row=%d" % (first, last))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
