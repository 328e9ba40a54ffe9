#!/usr/bin/env python3
"""Writes a large summary table quickly (openpyxl's write-only mode).

    robust_make_workbook.py OUT.xlsx ROWS CATEGORIES

Sheet "Summary": a header row, then ROWS records with the category C00..
in column A (cycling), a key in column B and numbers in C..F.
"""
import sys
import openpyxl


def main(path, rows, categories):
    wb = openpyxl.Workbook(write_only=True)
    ws = wb.create_sheet("Summary")
    ws.append(["Region", "Key", "Q1", "Q2", "Q3", "Q4"])
    for i in range(rows):
        ws.append(["C%02d" % (i % categories), "K%06d" % (i + 1)] + [(i + 1) * 10 + q for q in range(1, 5)])
    wb.save(path)


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]), int(sys.argv[3]))
