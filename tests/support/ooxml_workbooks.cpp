#include "ooxml_workbooks.h"

#include "ooxml_python.h"

namespace ooxmltest {

namespace {

const char kMakeWorkbook[] = R"PY(
import sys, zipfile, openpyxl
path, kind = sys.argv[1], sys.argv[2]
wb = openpyxl.Workbook()
ws = wb.active
ws.title = "汇总"
for r in range(1, 41):
    for c in range(1, 7):
        ws.cell(row=r, column=c, value=r * 10 + c)
ws.merge_cells("A1:F1")
ws.auto_filter.ref = "A2:F40"
ws["A3"].hyperlink = "https://example.invalid/x"
ws.protection.sheet = True
ws.protection.password = "sheet"
wb.create_sheet("Other")["A1"] = "x"
wb.create_sheet("Plain & Simple")["B2"] = 2
wb.save(path)
if kind == "xlsm":
    with zipfile.ZipFile(path) as src:
        items = [(i, src.read(i.filename)) for i in src.infolist()]
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        for info, data in items:
            if info.filename == "[Content_Types].xml":
                data = data.replace(b"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml",
                                    b"application/vnd.ms-excel.sheet.macroEnabled.main+xml")
                data = data.replace(b"</Types>", b'<Override PartName="/xl/vbaProject.bin" '
                                    b'ContentType="application/vnd.ms-office.vbaProject"/></Types>')
            if info.filename == "xl/_rels/workbook.xml.rels":
                data = data.replace(b"</Relationships>", b'<Relationship Id="rIdVba" '
                                    b'Type="http://schemas.microsoft.com/office/2006/relationships/vbaProject" '
                                    b'Target="vbaProject.bin"/></Relationships>')
            z.writestr(info, data)
        z.writestr("xl/vbaProject.bin", bytes(range(256)) * 64)
)PY";

const char kInspect[] = R"PY(
import sys, json, zipfile, hashlib, base64, posixpath
import xml.etree.ElementTree as ET
M = "{http://schemas.openxmlformats.org/spreadsheetml/2006/main}"
R = "{http://schemas.openxmlformats.org/officeDocument/2006/relationships}"
path, pw, wanted = sys.argv[1], sys.argv[2], sys.argv[3:]
local = lambda e: e.tag.split("}")[-1]
z = zipfile.ZipFile(path)
out = {"entries": z.namelist(), "crc": {i.filename: i.CRC for i in z.infolist()}}
wb = ET.fromstring(z.read("xl/workbook.xml"))
out["workbookChildren"] = [local(c) for c in wb]
prot = wb.find(M + "workbookProtection")
if prot is not None:
    a = prot.attrib
    out["workbookProtection"] = dict(a)
    if "workbookSaltValue" in a:
        d = hashlib.sha512(base64.b64decode(a["workbookSaltValue"]) + pw.encode("utf-16-le")).digest()
        for i in range(int(a["workbookSpinCount"])):
            d = hashlib.sha512(d + i.to_bytes(4, "little")).digest()
        out["hashMatches"] = base64.b64encode(d).decode() == a["workbookHashValue"]
rels = {r.get("Id"): r.get("Target") for r in ET.fromstring(z.read("xl/_rels/workbook.xml.rels"))}
out["sheets"] = {}
for s in wb.find(M + "sheets"):
    name = s.get("name")
    if name not in wanted:
        continue
    target = rels[s.get(R + "id")]
    part = target.lstrip("/") if target.startswith("/") else posixpath.normpath(posixpath.join("xl", target))
    ws = ET.fromstring(z.read(part))
    pr = ws.find(M + "protectedRanges")
    ranges = [[r.get("name"), r.get("sqref")] for r in pr] if pr is not None else []
    out["sheets"][name] = {"children": [local(c) for c in ws], "ranges": ranges}
import openpyxl
try:
    book = openpyxl.load_workbook(path, keep_vba=path.endswith(".xlsm"))
    out["openpyxl"] = "ok"
    out["lockStructure"] = bool(book.security is not None and book.security.lockStructure)
except Exception as e:
    out["openpyxl"] = repr(e)
print(json.dumps(out))
)PY";

const char kDecrypt[] = R"PY(
import sys, json, msoffcrypto, olefile
path, pw, plain = sys.argv[1], sys.argv[2], sys.argv[3]
out = {"ok": False}
try:
    out["streams"] = ["/".join(p) for p in olefile.OleFileIO(path).listdir(streams=True, storages=True)]
    with open(path, "rb") as f:
        office = msoffcrypto.OfficeFile(f)
        office.load_key(password=pw, verify_password=True)
        with open(plain, "wb") as o:
            office.decrypt(o, verify_integrity=True)
    out["ok"] = True
except Exception as e:
    out["error"] = type(e).__name__ + ": " + str(e)
print(json.dumps(out))
)PY";

const char kOpenWithOffice[] = R"PY(
import sys, os, time, shutil, subprocess, json, tempfile, uno
from com.sun.star.beans import PropertyValue
path, password = sys.argv[1], sys.argv[2]
profile = tempfile.mkdtemp(prefix="ooxml-office-")
pipe = "ooxml%d" % os.getpid()
office = subprocess.Popen(["soffice", "--headless", "--invisible", "--norestore", "--nologo",
                           "-env:UserInstallation=" + uno.systemPathToFileUrl(profile),
                           "--accept=pipe,name=%s;urp;" % pipe],
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                          env=dict(os.environ, TMPDIR=profile))
out = {"loaded": False}
desktop = None
def prop(name, value):
    p = PropertyValue()
    p.Name, p.Value = name, value
    return p
try:
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext("com.sun.star.bridge.UnoUrlResolver", local)
    ctx = None
    for _ in range(240):
        try:
            ctx = resolver.resolve("uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
            break
        except Exception:
            time.sleep(0.25)
    desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
    args = (prop("Hidden", True), prop("Password", password))
    doc = desktop.loadComponentFromURL(uno.systemPathToFileUrl(os.path.abspath(path)), "_blank", 0, args)
    if doc is not None:
        out["loaded"] = True
        out["sheets"] = list(doc.Sheets.getElementNames())
        out["A1"] = doc.Sheets.getByIndex(0).getCellByPosition(0, 0).getString()
        doc.close(True)
except Exception as e:
    out["error"] = repr(e)
finally:
    try:
        desktop.terminate()
    except Exception:
        pass
    try:
        office.wait(timeout=60)
    except Exception:
        office.kill()
    shutil.rmtree(profile, ignore_errors=True)
print(json.dumps(out))
)PY";

} // namespace

bool makeWorkbook(const QString &python, const QString &path, const QString &kind, QString *failure)
{
    const PythonRun run = runPython(python, QString::fromUtf8(kMakeWorkbook), {path, kind});
    if (!run.ok())
        *failure = QString::fromUtf8(run.err);
    return run.ok();
}

QJsonObject inspectPackage(const QString &python, const QString &path, const QString &structurePassword,
                           const QStringList &sheets, QString *failure)
{
    return runPythonJson(python, QString::fromUtf8(kInspect), QStringList{path, structurePassword} + sheets, failure);
}

QJsonObject decryptPackage(const QString &python, const QString &path, const QString &password,
                           const QString &plainPath, QString *failure)
{
    return runPythonJson(python, QString::fromUtf8(kDecrypt), {path, password, plainPath}, failure);
}

} // namespace ooxmltest

namespace ooxmltest {

QJsonObject openWithOffice(const QString &python, const QString &path, const QString &password, QString *failure)
{
    return runPythonJson(python, QString::fromUtf8(kOpenWithOffice), {path, password}, failure);
}

} // namespace ooxmltest
