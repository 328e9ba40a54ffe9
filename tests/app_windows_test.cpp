// The Windows platform helpers: the find-first-file checks, the executable's
// path and folder, the instance rule's process list, and where an installed
// window keeps its settings.

#include "PlatformFiles.h"
#include "ProcessList.h"
#include "SettingsLocation.h"

#include "app_test_files.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

class AppWindowsTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QByteArray at(const char *relative) const
    {
        return QDir::toNativeSeparators(m_dir.path()).toLocal8Bit() + '\\' + relative;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(AppTestFiles::makeSampleFolders(m_dir.path()));
    }

    void fileExistsFindsFilesAndFolders()
    {
        QVERIFY(fileExists(at("data\\report.xlsx")));
        QVERIFY(fileExists(at("data/report.xlsx")));  // either separator
        QVERIFY(fileExists(at("data\\REPORT.XLSX")));  // case does not matter
        QVERIFY(fileExists(at("data")));
        QVERIFY(fileExists(at("data\\*.xlsx")));
        QVERIFY(fileExists(at("data\\rep?rt.xlsx")));
        QVERIFY(!fileExists(at("data\\*.csv")));
        QVERIFY(!fileExists(at("data\\missing.xlsx")));
        QVERIFY(!fileExists(at("data\\")));             // a trailing separator fails
        QVERIFY(!fileExists(QByteArray()));
    }

    void directoryExistsNeedsAFolder()
    {
        QVERIFY(directoryExists(at("out")));
        QVERIFY(directoryExists(at("out\\")));  // one trailing separator is ignored
        QVERIFY(directoryExists(at("out/")));
        QVERIFY(!directoryExists(at("data\\report.xlsx")));
        QVERIFY(!directoryExists(at("missing")));
        QVERIFY(!directoryExists(QByteArray()));
    }

    void executablePathAndFolder()
    {
        QCOMPARE(executablePath("C:\\tools\\Sheetsplicer.exe"), QByteArray("C:\\tools\\Sheetsplicer.exe"));
        QCOMPARE(executablePath("\\\\server\\share\\Sheetsplicer.exe"),
                 QByteArray("\\\\server\\share\\Sheetsplicer.exe"));
        // A bare name or nothing: the running executable's full path.
        const QByteArray self = QDir::toNativeSeparators(QCoreApplication::applicationFilePath()).toLocal8Bit();
        QCOMPARE(executablePath("app_windows_test.exe").toLower(), self.toLower());
        QCOMPARE(executablePath(nullptr).toLower(), self.toLower());

        QCOMPARE(appDirectory("C:\\tools\\Sheetsplicer.exe"), QByteArray("C:\\tools\\"));
        QCOMPARE(appDirectory("C:/tools/Sheetsplicer.exe"), QByteArray("C:/tools/"));
        QCOMPARE(appDirectory("Sheetsplicer.exe"), QByteArray());
    }

    void processList()
    {
        QCOMPARE(QByteArray(programImageName()), QByteArray("Sheetsplicer.exe"));
        const QByteArray self = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toLocal8Bit();
        QCOMPARE(countProcesses(self.constData()), 1);
        QCOMPARE(countProcesses(self.toUpper().constData()), 1); // names without case
        QCOMPARE(countProcesses("no-such-program-1234.exe"), 0);
        QCOMPARE(terminateFirstProcess("no-such-program-1234.exe"), 0);
        QCOMPARE(countProcesses(nullptr), 0);
    }

    // Beside the program in a folder of the user's; in %APPDATA%\Sheetsplicer
    // when the program is installed under Program Files, even where this user
    // may write there.
    void settingsOfAnInstalledProgram()
    {
        const QByteArray folder = at("");
        QCOMPARE(settingsFileLocation(folder), folder + "Sheetsplicer.wqz");

        const QByteArray programs = qgetenv("ProgramFiles");
        qputenv("ProgramFiles", QDir::toNativeSeparators(m_dir.path()).toLocal8Bit());
        const QByteArray installed = settingsFileLocation(at("Sheetsplicer\\"));
        qputenv("ProgramFiles", programs);
        const QString appData = QDir::fromNativeSeparators(qEnvironmentVariable("APPDATA"));
        QCOMPARE(QFileInfo(QFile::decodeName(installed)).absolutePath().toLower(),
                 (appData + QLatin1Char('/') + QCoreApplication::applicationName()).toLower());
        QVERIFY(QFile::exists(QFile::decodeName(installed)));
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("Sheetsplicer/Sheetsplicer.wqz"))));
    }
};

QTEST_GUILESS_MAIN(AppWindowsTest)
#include "app_windows_test.moc"
