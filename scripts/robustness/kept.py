"""What a result kept of its source that the office's round trip could lose:
the fonts, the summary's frozen pane and the macro project. Only .xlsx and
.xlsm sources are looked at; each answer is "1" kept, "0" lost, or "-" when
the source has nothing of the kind."""
import re
import zipfile

MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
# Fonts the office's own cell styles bring, whatever the source.
OFFICE_STYLE_FONTS = {"Arial"}


def _read(package, name):
    try:
        return package.read(name).decode("utf-8", "replace")
    except KeyError:
        return ""


def _font_names(package):
    """The names of the fonts the cell formats use."""
    styles = _read(package, "xl/styles.xml")
    fonts = re.search(r"<(?:\w+:)?fonts\b.*?</(?:\w+:)?fonts>", styles, re.S)
    formats = re.search(r"<(?:\w+:)?cellXfs\b.*?</(?:\w+:)?cellXfs>", styles, re.S)
    if not fonts or not formats:
        return set()
    entries = re.findall(r"<(?:\w+:)?font\b(?:/>|.*?</(?:\w+:)?font>)", fonts.group(0), re.S)
    used = {int(i) for i in re.findall(r"fontId=\"(\d+)\"", formats.group(0))}
    names = set()
    for i in used:
        name = re.search(r"<(?:\w+:)?name\s+val=\"([^\"]*)\"", entries[i]) if i < len(entries) else None
        if name:
            names.add(name.group(1))
    return names


def _first_sheet(package):
    book = _read(package, "xl/workbook.xml")
    rels = _read(package, "xl/_rels/workbook.xml.rels")
    first = re.search(r"<(?:\w+:)?sheet\b[^>]*?name=\"([^\"]*)\"[^>]*?r:id=\"([^\"]*)\"", book)
    if not first:
        return None, ""
    target = re.search(r"Id=\"%s\"[^>]*Target=\"([^\"]*)\"|Target=\"([^\"]*)\"[^>]*Id=\"%s\"" %
                       (re.escape(first.group(2)), re.escape(first.group(2))), rels)
    if not target:
        return first.group(1), ""
    path = (target.group(1) or target.group(2)).lstrip("/")
    return first.group(1), _read(package, path if path.startswith("xl/") else "xl/" + path)


def _sheet_named(package, name):
    book = _read(package, "xl/workbook.xml")
    rels = _read(package, "xl/_rels/workbook.xml.rels")
    for sheet in re.finditer(r"<(?:\w+:)?sheet\b[^>]*>", book):
        tag = sheet.group(0)
        if 'name="%s"' % name not in tag:
            continue
        rid = re.search(r"r:id=\"([^\"]*)\"", tag)
        for rel in re.finditer(r"<Relationship\b[^>]*>", rels):
            if rid and 'Id="%s"' % rid.group(1) in rel.group(0):
                path = re.search(r"Target=\"([^\"]*)\"", rel.group(0)).group(1).lstrip("/")
                return _read(package, path if path.startswith("xl/") else "xl/" + path)
    return ""


def _frozen(sheet_xml):
    pane = re.search(r"<(?:\w+:)?pane\b[^>]*>", sheet_xml)
    if not pane or "frozen" not in pane.group(0):
        return None
    split = lambda axis: (re.search(r"%sSplit=\"([^\"]*)\"" % axis, pane.group(0)) or [None, "0"])[1]
    return float(split("x")), float(split("y"))


def _macro_project(package):
    for name in package.namelist():
        if name.lower().endswith("vbaproject.bin"):
            return package.read(name)
    return None


def kept(source_path, result_path):
    """{"fonts": ..., "panes": ..., "macros": ...} for one source and its result."""
    answer = {"fonts": "-", "panes": "-", "macros": "-"}
    if not source_path.lower().endswith((".xlsx", ".xlsm")):
        return answer
    try:
        with zipfile.ZipFile(source_path) as source, zipfile.ZipFile(result_path) as result:
            source_fonts = _font_names(source)
            if source_fonts:
                added = _font_names(result) - source_fonts - OFFICE_STYLE_FONTS
                answer["fonts"] = "0" if added else "1"
            summary, summary_xml = _first_sheet(source)
            if summary is not None and _frozen(summary_xml):
                answer["panes"] = "1" if _frozen(_sheet_named(result, summary)) == _frozen(summary_xml) else "0"
            project = _macro_project(source)
            if project is not None:
                answer["macros"] = "1" if _macro_project(result) == project else "0"
    except (zipfile.BadZipFile, OSError, KeyError):
        pass
    return answer


def encode(answer):
    return ",".join("%s=%s" % (k, answer[k]) for k in ("fonts", "panes", "macros"))


def decode(text):
    answer = {"fonts": "-", "panes": "-", "macros": "-"}
    for item in filter(None, text.split(",")):
        key, _, value = item.partition("=")
        answer[key] = value
    return answer
