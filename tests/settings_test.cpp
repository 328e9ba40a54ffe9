// The settings file; its rewrite goes through a temporary file that
// replaces the old one.

#include "SettingsFile.h"

#include "app_test_files.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

using AppTestFiles::readBytes;
using AppTestFiles::writeBytes;

class SettingsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;
    QByteArray m_path8;

    void put(const QByteArray &bytes) { QVERIFY(writeBytes(m_path, bytes)); }
    QByteArray content() const { return readBytes(m_path); }
    QStringList folderEntries() const
    {
        return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("Sheetsplicer.wqz"));
        m_path8 = QFile::encodeName(m_path);
        QFile::remove(m_path);
    }

    // --- loadSettingsText ---------------------------------------------------

    void loadMissingFileIsEmpty()
    {
        QCOMPARE(loadSettingsText(m_path8), QByteArray());
        QCOMPARE(loadSettingsText(QByteArray()), QByteArray());
    }

    void loadGivesBytesUnchanged()
    {
        const QByteArray bytes("a=1\r\n\r\nunknown=x\nb= 2 \r\n");
        put(bytes);
        QCOMPARE(loadSettingsText(m_path8), bytes);
    }

    void loadKeepsAtMostTheBufferSize()
    {
        QByteArray bytes(SettingsLimits::text + 500, 'x');
        put(bytes);
        const QByteArray text = loadSettingsText(m_path8);
        QCOMPARE(text.size(), 10239);
        QCOMPARE(text, bytes.left(10239));
    }

    void loadEndsAtAZeroByte()
    {
        put(QByteArray("a=1\r\n\0b=2\r\n", 11));
        QCOMPARE(loadSettingsText(m_path8), QByteArray("a=1\r\n"));
    }

    // --- readSetting -------------------------------------------------------

    void readFindsValues()
    {
        const QByteArray text("dataSplitFilePath=D:/data/a.xlsx\r\nsavePath=D:/out\r\ncolumn=3\r\n");
        QCOMPARE(readSetting(text, "dataSplitFilePath"), QByteArray("D:/data/a.xlsx"));
        QCOMPARE(readSetting(text, "savePath"), QByteArray("D:/out"));
        QCOMPARE(readSetting(text, "column"), QByteArray("3"));
        QCOMPARE(readSetting(text, "VlookupCol"), QByteArray());
    }

    void readIsCaseSensitive()
    {
        const QByteArray text("Column=7\r\n");
        QCOMPARE(readSetting(text, "column"), QByteArray());
        QCOMPARE(readSetting(text, "Column"), QByteArray("7"));
    }

    void readValueMayHoldEqualsSigns()
    {
        QCOMPARE(readSetting("AllowEditRange=a=b==c\r\n", "AllowEditRange"), QByteArray("a=b==c"));
    }

    void readLfOnlyFileFindsNothing()
    {
        const QByteArray text("dataSplitFilePath=D:/a.xlsx\nsavePath=D:/out\ncolumn=3\n");
        QCOMPARE(readSetting(text, "dataSplitFilePath"), QByteArray());
        QCOMPARE(readSetting(text, "savePath"), QByteArray());
        QCOMPARE(readSetting(text, "column"), QByteArray());
    }

    void readLastLineWithoutCrLfIsEmpty()
    {
        const QByteArray text("savePath=D:/out\r\ncolumn=3");
        QCOMPARE(readSetting(text, "savePath"), QByteArray("D:/out"));
        QCOMPARE(readSetting(text, "column"), QByteArray());
        // A lone CR or LF does not end a value either.
        QCOMPARE(readSetting("column=3\r", "column"), QByteArray());
        QCOMPARE(readSetting("column=3\n\r", "column"), QByteArray());
    }

    void readTakesTheFirstOfDuplicateKeys()
    {
        QCOMPARE(readSetting("column=3\r\ncolumn=9\r\n", "column"), QByteArray("3"));
    }

    void readFindsAKeyInsideAValue()
    {
        // The search is for key + "=" anywhere, not only at a line start.
        const QByteArray text("dataSplitFilePath=D:/column=5/a.xlsx\r\ncolumn=3\r\n");
        QCOMPARE(readSetting(text, "column"), QByteArray("5/a.xlsx"));
        // And a key that ends another key's name: "savePath" in "xsavePath".
        QCOMPARE(readSetting("xsavePath=A\r\nsavePath=B\r\n", "savePath"), QByteArray("A"));
    }

    void readTrimsBlanksOnly()
    {
        QCOMPARE(readSetting("AppointedHeaderRow=y  \t \r\n", "AppointedHeaderRow"), QByteArray("y"));
        QCOMPARE(readSetting("AppointedHeaderRow= \t y\r\n", "AppointedHeaderRow"), QByteArray("y"));
        QCOMPARE(readSetting("AppointedHeaderRow=Y\r\n", "AppointedHeaderRow"), QByteArray("Y"));
        // CR is no blank: "v\r" before the "\r\n" stays.
        QCOMPARE(readSetting("k=v\r\r\n", "k"), QByteArray("v\r"));
        // The text as a whole is trimmed of blanks first.
        QCOMPARE(readSetting("  \t k=v\r\n \t", "k"), QByteArray("v"));
        QCOMPARE(readSetting("k=\r\n", "k"), QByteArray());
        QCOMPARE(readSetting("k=   \r\n", "k"), QByteArray());
    }

    void readCutsLongValuesAtTheLimit()
    {
        const QByteArray longValue(3000, 'v');
        const QByteArray text = "savePath=" + longValue + "\r\n";
        QCOMPARE(readSetting(text, "savePath"), QByteArray(1023, 'v'));
        QCOMPARE(readSetting(text, "savePath", SettingsLimits::shortValue), QByteArray(15, 'v'));
        QCOMPARE(readSetting("AppointedHeaderRow=y             \r\n", "AppointedHeaderRow",
                             SettingsLimits::shortValue),
                 QByteArray("y"));
        // Exactly at the limit: kept whole.
        QCOMPARE(readSetting("k=" + QByteArray(1023, 'a') + "\r\n", "k"), QByteArray(1023, 'a'));
    }

    void readStopsAtAZeroByte()
    {
        QCOMPARE(readSetting(QByteArray("a=1\r\n\0column=3\r\n", 17), "column"), QByteArray());
    }

    // --- writeSetting ------------------------------------------------------

    void writeToAMissingFileDoesNothing()
    {
        QCOMPARE(writeSetting(m_path8, "column", "3"), -1);
        QVERIFY(!QFileInfo::exists(m_path));
        QVERIFY(folderEntries().isEmpty());
        QCOMPARE(writeSetting(QByteArray(), "column", "3"), -1);
    }

    void writeToAFolderDoesNothing()
    {
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("Sheetsplicer.wqz")));
        QCOMPARE(writeSetting(m_path8, "column", "3"), -1);
        QVERIFY(QFileInfo(m_path).isDir());
        QVERIFY(QDir(m_dir.path()).rmdir(QStringLiteral("Sheetsplicer.wqz")));
    }

    void writeAppendsToAnEmptyFile()
    {
        put("");
        QCOMPARE(writeSetting(m_path8, "column", "3"), 0);
        QCOMPARE(content(), QByteArray("column=3\r\n"));
    }

    void writeReplacesInPlaceAndKeepsTheRest()
    {
        put("dataSplitFilePath=D:/a.xlsx\r\n\r\nunknown=1\r\ncolumn=3\r\nVlookupCol=2\r\n");
        QCOMPARE(writeSetting(m_path8, "column", "12"), 0);
        QCOMPARE(content(), QByteArray("dataSplitFilePath=D:/a.xlsx\r\n\r\nunknown=1\r\ncolumn=12\r\nVlookupCol=2\r\n"));
    }

    void writeDoesNotTrimTheValue()
    {
        put("k=old\r\n");
        QCOMPARE(writeSetting(m_path8, "k", " \tnew value \t"), 0);
        QCOMPARE(content(), QByteArray("k= \tnew value \t\r\n"));
        QCOMPARE(writeSetting(m_path8, "k", ""), 0);
        QCOMPARE(content(), QByteArray("k=\r\n"));
    }

    void writeAppendRules_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("ends in CR LF") << QByteArray("a=1\r\n") << QByteArray("a=1\r\ncolumn=3\r\n");
        QTest::newRow("ends in LF") << QByteArray("a=1\n") << QByteArray("a=1\ncolumn=3\r\n");
        QTest::newRow("ends in CR") << QByteArray("a=1\r") << QByteArray("a=1\r\r\ncolumn=3\r\n");
        QTest::newRow("no line end") << QByteArray("a=1") << QByteArray("a=1\r\ncolumn=3\r\n");
        QTest::newRow("only blanks") << QByteArray("  ") << QByteArray("  \r\ncolumn=3\r\n");
    }

    void writeAppendRules()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        put(before);
        QCOMPARE(writeSetting(m_path8, "column", "3"), 0);
        QCOMPARE(content(), after);
    }

    void writeToALfOnlyFileDropsTheRest()
    {
        put("dataSplitFilePath=D:/a.xlsx\ncolumn=3\nVlookupCol=2\n");
        QCOMPARE(writeSetting(m_path8, "column", "5"), 0);
        QCOMPARE(content(), QByteArray("dataSplitFilePath=D:/a.xlsx\ncolumn=5\r\n"));
        // A key that is missing is appended after the last LF.
        QCOMPARE(writeSetting(m_path8, "savePath", "D:/out"), 0);
        QCOMPARE(content(), QByteArray("dataSplitFilePath=D:/a.xlsx\ncolumn=5\r\nsavePath=D:/out\r\n"));
    }

    void writeOverALastLineWithoutCrLf()
    {
        put("savePath=D:/out\r\ncolumn=3");
        QCOMPARE(writeSetting(m_path8, "column", "4"), 0);
        QCOMPARE(content(), QByteArray("savePath=D:/out\r\ncolumn=4\r\n"));
        QCOMPARE(readSetting(content(), "column"), QByteArray("4"));
    }

    void writeReplacesOnlyTheFirstOfDuplicateKeys()
    {
        put("column=3\r\nsavePath=x\r\ncolumn=9\r\n");
        QCOMPARE(writeSetting(m_path8, "column", "4"), 0);
        QCOMPARE(content(), QByteArray("column=4\r\nsavePath=x\r\ncolumn=9\r\n"));
    }

    void writeFindsAKeyInsideAValue()
    {
        put("dataSplitFilePath=D:/column=5/a.xlsx\r\ncolumn=3\r\n");
        QCOMPARE(writeSetting(m_path8, "column", "7"), 0);
        QCOMPARE(content(), QByteArray("dataSplitFilePath=D:/column=7\r\ncolumn=3\r\n"));
    }

    void writingTheSameKeyTwiceLeavesOneLine()
    {
        put("a=1\r\n");
        QCOMPARE(writeSetting(m_path8, "column", "3"), 0);
        QCOMPARE(writeSetting(m_path8, "b", "2"), 0);
        QCOMPARE(writeSetting(m_path8, "column", "4"), 0);
        QCOMPARE(writeSetting(m_path8, "column", "5"), 0);
        QCOMPARE(content(), QByteArray("a=1\r\ncolumn=5\r\nb=2\r\n"));
    }

    void writeRoundTripsWithRead()
    {
        put("");
        const QByteArray keys[] = {"dataSplitFilePath", "savePath", "column", "NumOfAppointedHeaderR",
                                   "AllowEditRange", "VlookupCol"};
        int n = 0;
        for (const QByteArray &key : keys)
            QCOMPARE(writeSetting(m_path8, key, "value" + QByteArray::number(++n)), 0);
        const QByteArray text = loadSettingsText(m_path8);
        n = 0;
        for (const QByteArray &key : keys)
            QCOMPARE(readSetting(text, key), "value" + QByteArray::number(++n));
    }

    void writeCutsKeyAndValueAtTheLimit()
    {
        put("a=1\r\n");
        const QByteArray key("savePath");
        QCOMPARE(writeSetting(m_path8, key, QByteArray(5000, 'v')), 0);
        const QByteArray expected = "a=1\r\n" + key + '=' + QByteArray(2042 - key.size(), 'v') + "\r\n";
        QCOMPARE(content(), expected);
        // Exactly at the limit: kept whole.
        QCOMPARE(writeSetting(m_path8, key, QByteArray(2042 - key.size(), 'w')), 0);
        QCOMPARE(readSetting(content(), key, 5000), QByteArray(2042 - key.size(), 'w'));
    }

    void writeReadsMoreThanTheLoadLimit()
    {
        // The rewrite works on the whole file, not only on what the window loads.
        QByteArray big = "filler=" + QByteArray(12000, 'f') + "\r\n";
        put(big + "column=3\r\n");
        QCOMPARE(writeSetting(m_path8, "column", "4"), 0);
        QCOMPARE(content(), big + "column=4\r\n");
    }

#ifndef _WIN32
    // --- the atomic rewrite (inodes, symbolic links, a child process with a
    // file size limit: checked on Linux) -------------------------------

    void rewriteReplacesTheFileWhole()
    {
        put("a=1\r\ncolumn=3\r\n");
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
        struct stat before;
        QCOMPARE(stat(m_path8.constData(), &before), 0);

        // A reader that has the old file open keeps seeing the old text whole:
        // the file is replaced, never truncated under it.
        const int reader = open(m_path8.constData(), O_RDONLY);
        QVERIFY(reader >= 0);

        QCOMPARE(writeSetting(m_path8, "column", "4"), 0);

        char buffer[64] = {};
        const ssize_t got = pread(reader, buffer, sizeof buffer - 1, 0);
        close(reader);
        QCOMPARE(QByteArray(buffer, int(got)), QByteArray("a=1\r\ncolumn=3\r\n"));
        QCOMPARE(content(), QByteArray("a=1\r\ncolumn=4\r\n"));

        struct stat after;
        QCOMPARE(stat(m_path8.constData(), &after), 0);
        QVERIFY(before.st_ino != after.st_ino);
        // The permissions stay; no temporary file is left behind.
        QCOMPARE(after.st_mode & 07777, before.st_mode & 07777);
        QCOMPARE(folderEntries(), QStringList{QStringLiteral("Sheetsplicer.wqz")});
    }

    void rewriteThroughASymbolicLinkKeepsTheLink()
    {
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("real")));
        const QString target = m_dir.filePath(QStringLiteral("real/settings.wqz"));
        QVERIFY(writeBytes(target, "column=3\r\n"));
        QVERIFY(QFile::link(target, m_path));
        QCOMPARE(writeSetting(m_path8, "column", "4"), 0);
        QVERIFY(QFileInfo(m_path).isSymLink());
        QCOMPARE(readBytes(target), QByteArray("column=4\r\n"));
        QFile::remove(m_path);
        QFile::remove(target);
        QVERIFY(QDir(m_dir.path()).rmdir(QStringLiteral("real")));
    }

    void interruptedRewriteLeavesTheOldFileWhole()
    {
        // The rewrite runs in a child process whose largest file size is
        // smaller than the new text: its write stops part-way (as when the
        // disk is full or the program is stopped). With a rewrite in place the
        // file would be left cut short; here the old file stays as it was.
        const QByteArray old("a=1\r\ncolumn=3\r\nVlookupCol=2\r\n");
        put(old);
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit;
            limit.rlim_cur = limit.rlim_max = 1024;
            setrlimit(RLIMIT_FSIZE, &limit);
            const int result = writeSetting(m_path8, "AllowEditRange", QByteArray(1900, 'r'));
            _exit(result == -1 ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0); // writeSetting reported -1
        QCOMPARE(content(), old);
        QCOMPARE(folderEntries(), QStringList{QStringLiteral("Sheetsplicer.wqz")});
        // Without the limit the same write goes through.
        QCOMPARE(writeSetting(m_path8, "AllowEditRange", QByteArray(1900, 'r')), 0);
        QCOMPARE(content(), old + "AllowEditRange=" + QByteArray(1900, 'r') + "\r\n");
    }
#endif
};

QTEST_APPLESS_MAIN(SettingsTest)
#include "settings_test.moc"
