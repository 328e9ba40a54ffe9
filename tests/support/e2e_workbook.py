#!/usr/bin/env python3
"""Reads a saved workbook the way another program would, and prints what the
end-to-end tests look at as JSON.

    e2e_workbook.py dump PATH [PASSWORD]
    e2e_workbook.py decrypt PATH PASSWORD OUT
    e2e_workbook.py xls-results PATH SHEET
    e2e_workbook.py xls-views PATH
    e2e_workbook.py parts PATH
    e2e_workbook.py fresh PATH
    e2e_workbook.py to-xls PATH OUT    (OUT .xls, or .xlsx to save a workbook again)
    e2e_workbook.py edit PATH PASSWORD EDITS

The cell values are the ones the office computed and stored (openpyxl with
data_only=True); formulas, hyperlinks, protections and editable ranges come
from the package itself.  A file encrypted with an open password is decrypted
in memory with PASSWORD first.  "decrypt" only writes the decrypted file to
OUT (for .xls results, which openpyxl cannot read).  "xls-results" prints the
results stored with the formula cells of the 0-based SHEET of an .xls file:
{"C2": 11.0, "D2": "#REF!", ...}.  "parts" prints a digest of every part
of a package or stream of an .xls file, to compare two results whole.
"edit" changes a saved workbook through an office of its own, as a user
would, and saves it in place: EDITS is a JSON list of [sheet, cell, value]
(a number or a text) and [sheet, "delete-row", row]; a protected sheet is
opened with PASSWORD and protected with it again.
"fresh" prints every sheet's rows as a LibreOffice of its own, with its own
new profile and defaults, computes them on opening: {"Sheet": [["a", "1"]]}.

Exit codes: 0 printed, 3 the password does not open the file (or none was
given for an encrypted file), 4 the file is not a workbook openpyxl can read.
"""
import datetime
import hashlib
import struct
import io
import json
import sys
import zipfile
import xml.etree.ElementTree as ET

import msoffcrypto
import olefile
import openpyxl
from openpyxl.utils import get_column_letter

MAIN = "{http://schemas.openxmlformats.org/spreadsheetml/2006/main}"
REL = "{http://schemas.openxmlformats.org/officeDocument/2006/relationships}"
PKG_REL = "{http://schemas.openxmlformats.org/package/2006/relationships}"
OLE_SIGNATURE = b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1"


def plain(value):
    if isinstance(value, (datetime.datetime, datetime.date, datetime.time)):
        return value.isoformat()
    if value is None or isinstance(value, (bool, int, float, str)):
        return value
    return str(value)


def attributes(element):
    if element is None:
        return None
    return {key.split("}")[-1]: value for key, value in element.attrib.items()}


def sheet_parts(package):
    """Sheet name -> worksheet part, in workbook order."""
    book = ET.fromstring(package.read("xl/workbook.xml"))
    rels = ET.fromstring(package.read("xl/_rels/workbook.xml.rels"))
    targets = {r.get("Id"): r.get("Target") for r in rels.iter(PKG_REL + "Relationship")}
    parts = []
    for sheet in book.iter(MAIN + "sheet"):
        target = targets.get(sheet.get(REL + "id"), "")
        target = target.lstrip("/")
        if not target.startswith("xl/"):
            target = "xl/" + target
        parts.append((sheet.get("name"), target))
    return book, parts


def raw_sheet(package, part):
    root = ET.fromstring(package.read(part))
    return {
        "part": part,
        "hyperlinks": [attributes(h) for h in root.iter(MAIN + "hyperlink")],
        "sheetProtection": attributes(root.find(MAIN + "sheetProtection")),
        "protectedRanges": [attributes(r) for r in root.iter(MAIN + "protectedRange")],
    }


def fill_of(cell):
    fill = cell.fill
    if fill is None or fill.fill_type != "solid":
        return None
    colour = fill.fgColor
    return colour.rgb if colour is not None and colour.type == "rgb" else None


def cells_of(values_sheet, formula_sheet):
    cells = {}
    for row in formula_sheet.iter_rows():
        for cell in row:
            formula = cell.value if cell.data_type == "f" else None
            if cell.value is None and fill_of(cell) is None and cell.comment is None:
                continue
            address = "%s%d" % (get_column_letter(cell.column), cell.row)
            cells[address] = {
                "value": plain(values_sheet[address].value),
                "formula": formula if isinstance(formula, str) else None,
                "locked": bool(cell.protection.locked),
                "hidden": bool(cell.protection.hidden),
                "fill": fill_of(cell),
                "underlined": bool(cell.font is not None and cell.font.u),
                "font": cell.font.name if cell.font is not None else None,
                "numberFormat": cell.number_format,
                "commentAuthor": cell.comment.author if cell.comment is not None else None,
                "comment": cell.comment.text if cell.comment is not None else None,
            }
    return cells


def dump(data):
    package = zipfile.ZipFile(io.BytesIO(data))
    book_xml, parts = sheet_parts(package)
    view = book_xml.find(MAIN + "bookViews/" + MAIN + "workbookView")
    result = {
        "parts": sorted(package.namelist()),
        "contentTypes": package.read("[Content_Types].xml").decode("utf-8"),
        "activeTab": int(view.get("activeTab", "0")) if view is not None else None,
        "workbookProtection": attributes(book_xml.find(MAIN + "workbookProtection")),
        "sheetNames": [name for name, _ in parts],
        "sheets": {},
        "calcPr": attributes(book_xml.find(MAIN + "calcPr")),
        "localNames": [dict(attributes(n), text=n.text) for n in book_xml.iter(MAIN + "definedName")
                       if n.get("localSheetId") is not None],
        "vbaProject": hashlib.sha256(package.read("xl/vbaProject.bin")).hexdigest()
                      if "xl/vbaProject.bin" in package.namelist() else None,
    }
    values = openpyxl.load_workbook(io.BytesIO(data), data_only=True)
    formulas = openpyxl.load_workbook(io.BytesIO(data), data_only=False)
    for name, part in parts:
        sheet = raw_sheet(package, part)
        formula_sheet = formulas[name]
        sheet["cells"] = cells_of(values[name], formula_sheet)
        sheet["maxRow"] = formula_sheet.max_row
        sheet["maxColumn"] = formula_sheet.max_column
        sheet["merged"] = sorted(str(r) for r in formula_sheet.merged_cells.ranges)
        sheet["frozenAt"] = formula_sheet.freeze_panes
        sheet["hiddenRows"] = sorted(r for r, d in formula_sheet.row_dimensions.items() if d.hidden)
        sheet["rowHeights"] = {str(r): d.height for r, d in sorted(formula_sheet.row_dimensions.items())
                               if d.customHeight}
        sheet["outlineRows"] = {str(r): d.outlineLevel for r, d in sorted(formula_sheet.row_dimensions.items())
                                if d.outlineLevel}
        sheet["rowBreaks"] = sorted(b.id for b in formula_sheet.row_breaks.brk if b.man)
        sheet["tables"] = [{"name": t.displayName, "ref": t.ref,
                            "style": t.tableStyleInfo.name if t.tableStyleInfo is not None else None,
                            "autoFilter": t.autoFilter.ref if t.autoFilter is not None else None}
                           for t in formula_sheet.tables.values()]
        sheet["autoFilter"] = formula_sheet.auto_filter.ref
        sheet["filterColumns"] = len(formula_sheet.auto_filter.filterColumn)
        result["sheets"][name] = sheet
    return result


def decrypted(data, password):
    """The clear bytes, or None when the password does not open them."""
    try:
        office = msoffcrypto.OfficeFile(io.BytesIO(data))
        if not office.is_encrypted():
            return None
        office.load_key(password=password)
        clear = io.BytesIO()
        office.decrypt(clear)
    except Exception as error:  # the library raises several kinds
        sys.stderr.write("cannot decrypt: %s\n" % error)
        return None
    return clear.getvalue()


XLS_ERRORS = {0x00: "#NULL!", 0x07: "#DIV/0!", 0x0F: "#VALUE!", 0x17: "#REF!", 0x1D: "#NAME?",
              0x24: "#NUM!", 0x2A: "#N/A"}


def xls_results(path, wanted_sheet):
    """Stored results of the FORMULA records of one worksheet of a BIFF8 file."""
    import olefile
    stream = olefile.OleFileIO(path).openstream("Workbook").read()
    results = {}
    sheet = -1  # the workbook globals come first, then one substream per sheet
    at = 0
    while at + 4 <= len(stream):
        kind, length = struct.unpack("<HH", stream[at:at + 4])
        body = stream[at + 4:at + 4 + length]
        at += 4 + length
        if kind == 0x0809:  # BOF
            sheet += 1
        if kind != 0x0006 or sheet - 1 != wanted_sheet:  # FORMULA
            continue
        row, column = struct.unpack("<HH", body[:4])
        result = body[6:14]
        address = "%s%d" % (get_column_letter(column + 1), row + 1)
        if result[6:8] != b"\xff\xff":
            results[address] = struct.unpack("<d", result)[0]
        elif result[0] == 2:
            results[address] = XLS_ERRORS.get(result[2], "#ERROR")
        elif result[0] == 1:
            results[address] = bool(result[2])
        elif result[0] == 3:
            results[address] = ""
        else:
            results[address] = None  # a text, stored in the STRING record that follows
            following = at
            while following + 4 <= len(stream):  # past a shared or array formula's record
                kind, length = struct.unpack("<HH", stream[following:following + 4])
                if kind == 0x0207:
                    results[address] = biff_string(stream[following + 4:following + 4 + length])
                if kind not in (0x04BC, 0x0221, 0x0236):
                    break
                following += 4 + length
    return results


def biff_string(body):
    """The text of a STRING record (a BIFF8 string with a 16-bit length)."""
    count, flags = struct.unpack("<HB", body[:3])
    raw = body[3:]
    return raw[:count * 2].decode("utf-16-le") if flags & 1 else raw[:count].decode("latin-1")


def xls_views(path):
    """Each worksheet's frozen flag and PANE record of a BIFF8 file, in order, and
    a digest of its macro project: {"sheets": [{"name": ..., "frozen": bool,
    "pane": [columns, rows, top row, left column] or None}], "macroProject": ...}."""
    import olefile
    ole = olefile.OleFileIO(path)
    stream = ole.openstream("Workbook").read()
    project = hashlib.sha256()
    macro_streams = sorted(e for e in ole.listdir() if e[0] == "_VBA_PROJECT_CUR")
    for entry in macro_streams:
        project.update("/".join(entry).encode("utf-8") + b"\0" + ole.openstream(entry).read())
    names, views, depth, at = [], [], 0, 0
    while at + 4 <= len(stream):
        kind, length = struct.unpack("<HH", stream[at:at + 4])
        body = stream[at + 4:at + 4 + length]
        at += 4 + length
        if kind == 0x0085:  # BOUNDSHEET
            count, wide = body[6], body[7] & 1
            names.append(body[8:8 + (2 * count if wide else count)].decode("utf-16-le" if wide else "latin-1"))
        elif kind == 0x0809:  # BOF
            depth += 1
            if depth == 1 and struct.unpack("<H", body[2:4])[0] == 0x0010:
                views.append({"name": names[len(views)] if len(views) < len(names) else None,
                              "frozen": False, "pane": None})
        elif kind == 0x000A:  # EOF
            depth -= 1
        elif depth == 1 and views and kind == 0x023E:  # WINDOW2
            views[-1]["frozen"] = bool(struct.unpack("<H", body[:2])[0] & 0x0008)
        elif depth == 1 and views and kind == 0x0041:  # PANE
            views[-1]["pane"] = list(struct.unpack("<HHHH", body[:8]))
    return {"sheets": views, "macroProject": project.hexdigest() if macro_streams else None}


def part_digests(path):
    """Every part of a package, or stream of a compound file, by its SHA-256;
    the document properties (times, the application) left out."""
    if zipfile.is_zipfile(path):
        package = zipfile.ZipFile(path)
        return {name: hashlib.sha256(package.read(name)).hexdigest()
                for name in package.namelist() if not name.startswith("docProps/")}
    compound = olefile.OleFileIO(path)
    return {"/".join(entry): hashlib.sha256(compound.openstream(entry).read()).hexdigest()
            for entry in compound.listdir() if not entry[-1].startswith("\x05")}


def converted(path, target, folder):
    """`path` converted by a LibreOffice of its own (a new profile, its own
    defaults) into `folder`, as --convert-to `target` makes it."""
    import subprocess
    import tempfile
    with tempfile.TemporaryDirectory() as profile:
        subprocess.run(["soffice", "-env:UserInstallation=file://" + profile, "--headless", "--convert-to", target,
                        "--outdir", folder, path], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=240, check=False)


def fresh(path):
    """Every sheet as a fresh office computes it, through its CSV export."""
    import csv
    import os
    import tempfile
    with tempfile.TemporaryDirectory() as out:
        converted(path, "csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,false,false,false,-1", out)
        stem = os.path.splitext(os.path.basename(path))[0] + "-"
        sheets = {}
        for name in os.listdir(out):
            if name.startswith(stem) and name.endswith(".csv"):
                with open(os.path.join(out, name), encoding="utf-8", newline="") as f:
                    sheets[name[len(stem):-4]] = list(csv.reader(f))
        return sheets


def to_xls(path, out):
    """`path` saved as `out` (.xls or .xlsx) by an office of its own, as a
    user saves a workbook again."""
    import os
    import shutil
    import tempfile
    ending = os.path.splitext(out)[1].lstrip(".").lower()
    target = {"xls": "xls:MS Excel 97", "xlsx": "xlsx:Calc MS Excel 2007 XML"}[ending]
    with tempfile.TemporaryDirectory() as folder:
        converted(path, target, folder)
        made = os.path.join(folder, os.path.splitext(os.path.basename(path))[0] + "." + ending)
        if not os.path.exists(made):
            return 4
        shutil.move(made, out)
    return 0


def edit(path, password, edits):
    """Edits made in an office of its own, over UNO, saved in place."""
    import os
    import subprocess
    import tempfile
    import time
    import uno
    from com.sun.star.beans import PropertyValue

    def prop(name, value):
        p = PropertyValue()
        p.Name = name
        p.Value = value
        return p

    with tempfile.TemporaryDirectory() as profile:
        pipe = "e2e-edit-%d" % os.getpid()
        office = subprocess.Popen(["soffice", "--headless", "--norestore", "--nologo",
                                   "-env:UserInstallation=file://" + profile,
                                   "--accept=pipe,name=%s;urp;" % pipe],
                                  stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            local = uno.getComponentContext()
            resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
            context = None
            for _ in range(300):
                try:
                    context = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
                    break
                except Exception:
                    time.sleep(0.1)
            desktop = context.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", context)
            doc = desktop.loadComponentFromURL(uno.systemPathToFileUrl(os.path.abspath(path)), "_blank", 0,
                                               (prop("Hidden", True),))
            opened = set()
            for change in edits:
                sheet = doc.Sheets.getByName(change[0])
                if sheet.isProtected() and change[0] not in opened:
                    sheet.unprotect(password)
                    opened.add(change[0])
                if change[1] == "delete-row":
                    sheet.Rows.removeByIndex(int(change[2]) - 1, 1)
                elif isinstance(change[2], str):
                    sheet.getCellRangeByName(change[1]).setString(change[2])
                else:
                    sheet.getCellRangeByName(change[1]).setValue(change[2])
            for name in opened:
                doc.Sheets.getByName(name).protect(password)
            doc.store()
            doc.close(True)
            desktop.terminate()
        finally:
            try:
                office.wait(timeout=30)
            except subprocess.TimeoutExpired:
                office.kill()
                office.wait()
    return 0


def main(argv):
    if len(argv) == 5 and argv[1] == "edit":
        return edit(argv[2], argv[3], json.loads(argv[4]))
    if len(argv) == 4 and argv[1] == "to-xls":
        return to_xls(argv[2], argv[3])
    if len(argv) == 3 and argv[1] == "fresh":
        sys.stdout.write(json.dumps(fresh(argv[2]), ensure_ascii=False))
        return 0
    if len(argv) == 3 and argv[1] == "parts":
        sys.stdout.write(json.dumps(part_digests(argv[2])))
        return 0
    if len(argv) == 3 and argv[1] == "xls-views":
        sys.stdout.write(json.dumps(xls_views(argv[2])))
        return 0
    if len(argv) == 4 and argv[1] == "xls-results":
        sys.stdout.write(json.dumps(xls_results(argv[2], int(argv[3]))))
        return 0
    if len(argv) == 5 and argv[1] == "decrypt":
        with open(argv[2], "rb") as f:
            clear = decrypted(f.read(), argv[3])
        if clear is None:
            return 3
        with open(argv[4], "wb") as f:
            f.write(clear)
        return 0
    if len(argv) < 3 or argv[1] != "dump":
        sys.stderr.write(__doc__)
        return 2
    with open(argv[2], "rb") as f:
        data = f.read()
    encrypted = data.startswith(OLE_SIGNATURE)
    if encrypted:
        if len(argv) < 4:
            sys.stderr.write("encrypted, and no password given\n")
            return 3
        data = decrypted(data, argv[3])
        if data is None:
            return 3
    try:
        result = dump(data)
    except Exception as error:
        sys.stderr.write("cannot read: %s\n" % error)
        return 4
    result["encrypted"] = encrypted
    sys.stdout.write(json.dumps(result, ensure_ascii=False))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
