// Reading a source file's structure protection, which the office drops on loading.
#include "SourceStructureLock.h"
#include "lo_Fixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

namespace {

QByteArray record(quint16 type, const QByteArray &data = {})
{
    QByteArray out;
    out.append(char(type & 0xFF)).append(char(type >> 8));
    out.append(char(data.size() & 0xFF)).append(char(data.size() >> 8));
    return out + data;
}

QByteArray value16(quint16 v) { return QByteArray(1, char(v & 0xFF)) + char(v >> 8); }

const quint16 kBof = 0x0809, kEof = 0x000A, kProtect = 0x0012, kWindowProtect = 0x0019, kFilePass = 0x002F;
const quint16 kBoundSheet = 0x0085;

QByteArray bof(quint16 kind) { return record(kBof, value16(0x0600) + value16(kind) + QByteArray(12, '\0')); }

// Workbook globals as Excel orders them, with a PROTECT record of `protect`
// (none when negative).
QByteArray globals(int protect)
{
    QByteArray out = bof(0x0005);
    out += record(kWindowProtect, value16(0));
    if (protect >= 0)
        out += record(kProtect, value16(static_cast<quint16>(protect)));
    out += record(kBoundSheet, QByteArray(10, '\0'));
    return out + record(kEof);
}

// A worksheet substream whose own PROTECT is the sheet's, not the workbook's.
QByteArray protectedSheet() { return bof(0x0010) + record(kProtect, value16(1)) + record(kEof); }

// A compound file holding the streams named in `streams`.
bool writeCompoundFile(const QString &path, const QList<QPair<const char *, QByteArray>> &streams)
{
    GError *error = nullptr;
    GsfOutput *file = gsf_output_stdio_new(QFile::encodeName(path).constData(), &error);
    if (!file) {
        g_clear_error(&error);
        return false;
    }
    GsfOutfile *root = gsf_outfile_msole_new(file);
    bool ok = root != nullptr;
    for (const auto &stream : streams) {
        GsfOutput *child = ok ? gsf_outfile_new_child(root, stream.first, FALSE) : nullptr;
        ok = child && gsf_output_write(child, static_cast<size_t>(stream.second.size()),
                                       reinterpret_cast<const guint8 *>(stream.second.constData()));
        if (child) {
            ok = gsf_output_close(child) && ok;
            g_object_unref(child);
        }
    }
    if (root) {
        ok = gsf_output_close(GSF_OUTPUT(root)) && ok;
        g_object_unref(root);
    }
    g_object_unref(file);
    return ok;
}

QByteArray workbookPart(const QByteArray &children, const QByteArray &prefix = {})
{
    const QByteArray p = prefix.isEmpty() ? QByteArray() : prefix + ':';
    const QByteArray ns = prefix.isEmpty() ? QByteArray("xmlns") : "xmlns:" + prefix;
    return "<?xml version=\"1.0\"?><" + p + "workbook " + ns
        + "=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">" + children + "<" + p
        + "sheets/></" + p + "workbook>";
}

} // namespace

class LoSourceLockTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        gsf_init();
    }

    void readsTheWorkbookPartOfPackages()
    {
        const QString locked = m_dir.filePath("locked.xlsx");
        const QString sheetOnly = m_dir.filePath("sheet.xlsx");
        QVERIFY(makeWorkbook("protected", locked, {"structure"}));
        QVERIFY(makeWorkbook("protected", sheetOnly, {"sheet"}));
        QVERIFY(fileLocksStructure(locked));
        QVERIFY(!fileLocksStructure(sheetOnly));

        QVERIFY(workbookXmlLocksStructure(workbookPart("<workbookProtection lockStructure=\"true\"/>")));
        QVERIFY(workbookXmlLocksStructure(workbookPart("<x:workbookProtection lockStructure=\" 1 \"/>", "x")));
        QVERIFY(!workbookXmlLocksStructure(workbookPart("<workbookProtection lockStructure=\"0\"/>")));
        QVERIFY(!workbookXmlLocksStructure(workbookPart("<workbookProtection lockRevision=\"1\"/>")));
        QVERIFY(!workbookXmlLocksStructure("<workbook><workbookProtection lockStructure=\"1\">"));

        // Files written by other programs, when the real-world workbooks are there.
        const QString corpus = QStringLiteral(SHEETSPLICER_CORPUS) + QLatin1Char('/');
        if (QFile::exists(corpus + "workbookProtection_workbook_structure_protected.xlsx")) {
            QVERIFY(fileLocksStructure(corpus + "workbookProtection_workbook_structure_protected.xlsx"));
            QVERIFY(fileLocksStructure(corpus + "workbookProtection-workbook_password-2013.xlsx"));
            QVERIFY(!fileLocksStructure(corpus + "workbookProtection_workbook_revision_protected.xlsx"));
        }
    }

    // The password that lifts a package's structure lock, for an update of
    // an earlier result: the short legacy hash, Excel's SHA-512 one (a file
    // Excel 2013 wrote, password "test"), and a lock without a password,
    // which any password lifts.
    void checksThePasswordOfAPackagesLock()
    {
        QCOMPARE(legacyPasswordHash("test"), QStringLiteral("CBEB"));
        QCOMPARE(legacyPasswordHash("password"), QStringLiteral("83AF"));
        const QByteArray legacy = workbookPart("<workbookProtection lockStructure=\"1\" workbookPassword=\"cbeb\"/>");
        QVERIFY(passwordOpensWorkbookXml(legacy, "test"));
        QVERIFY(!passwordOpensWorkbookXml(legacy, "Test"));
        QVERIFY(!passwordOpensWorkbookXml(legacy, ""));
        QVERIFY(passwordOpensWorkbookXml(workbookPart("<workbookProtection lockStructure=\"1\"/>"), "any"));

        const QString corpus = QStringLiteral(SHEETSPLICER_CORPUS) + QLatin1Char('/');
        if (QFile::exists(corpus + "workbookProtection-workbook_password-2013.xlsx")) {
            QVERIFY(passwordOpensFileStructure(corpus + "workbookProtection-workbook_password-2013.xlsx", "test"));
            QVERIFY(!passwordOpensFileStructure(corpus + "workbookProtection-workbook_password-2013.xlsx", "tset"));
        }
    }

    void scansTheGlobalsOfBiffStreams()
    {
        QCOMPARE(biffGlobalsLockStructure(globals(1)), std::optional<bool>(true));
        QCOMPARE(biffGlobalsLockStructure(globals(0)), std::optional<bool>(false));
        QCOMPARE(biffGlobalsLockStructure(globals(-1)), std::optional<bool>(false));
        // A sheet's own protection says nothing of the workbook's structure.
        QCOMPARE(biffGlobalsLockStructure(globals(-1) + protectedSheet()), std::optional<bool>(false));
        // Encrypted values cannot be read, nor can a stream that is not BIFF.
        QCOMPARE(biffGlobalsLockStructure(bof(0x0005) + record(kFilePass, QByteArray(54, '\x11')) + record(kProtect, value16(1))),
                 std::optional<bool>(false));
        QCOMPARE(biffGlobalsLockStructure(record(kProtect, value16(1)) + record(kEof)), std::optional<bool>(false));
        // Cut off inside the PROTECT record: more is needed.
        const QByteArray whole = globals(1);
        QCOMPARE(biffGlobalsLockStructure(whole.left(whole.size() - 19)), std::optional<bool>());
    }

    void readsTheWorkbookStreamOfCompoundFiles()
    {
        struct Case
        {
            const char *file;
            QList<QPair<const char *, QByteArray>> streams;
            bool locked;
        };
        const QList<Case> cases = {
            {"biff8.xls", {{"Workbook", globals(1) + protectedSheet()}}, true},
            {"biff5.xls", {{"Book", globals(1)}}, true},
            {"open.xls", {{"Workbook", globals(0) + protectedSheet()}}, false},
            {"other.xls", {{"EncryptedPackage", globals(1)}}, false},
        };
        for (const Case &c : cases) {
            const QString path = m_dir.filePath(c.file);
            QVERIFY(writeCompoundFile(path, c.streams));
            QVERIFY2(fileLocksStructure(path) == c.locked, c.file);
        }
        QVERIFY(!fileLocksStructure(m_dir.filePath("missing.xls")));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(LoSourceLockTest)
#include "lo_source_lock_test.moc"
