// The Linux platform helpers: the find-first-file checks, the executable's
// folder, and the instance rule's process list over /proc.

#include "PlatformFiles.h"
#include "ProcessList.h"

#include "app_test_files.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

class AppPlatformTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QByteArray at(const char *relative) const
    {
        return QFile::encodeName(m_dir.path()) + '/' + relative;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(AppTestFiles::makeSampleFolders(m_dir.path()));
        QDir dir(m_dir.path());
        QVERIFY(AppTestFiles::writeBytes(dir.filePath(QStringLiteral("data/Report.XLS")), "x"));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("out")), dir.filePath(QStringLiteral("outlink"))));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("nowhere")), dir.filePath(QStringLiteral("dangling"))));
    }

    void fileExistsFindsAnyEntry()
    {
        QVERIFY(fileExists(at("data/report.xlsx")));
        QVERIFY(fileExists(at("data")));          // a folder passes
        QVERIFY(fileExists(at("outlink")));       // a link to a folder
        QVERIFY(fileExists(at("dangling")));      // an entry, though it leads nowhere
        QVERIFY(!fileExists(at("data/missing.xlsx")));
        QVERIFY(!fileExists(QByteArray()));
        QVERIFY(!fileExists(at("data/report.xlsx/")));
        QVERIFY(!fileExists(at("data/")));        // a trailing separator fails, as on Windows
        // Case matters on Linux.
        QVERIFY(!fileExists(at("data/REPORT.xlsx")));
    }

    void fileExistsMatchesWildcards()
    {
        QVERIFY(fileExists(at("data/*.xlsx")));
        QVERIFY(fileExists(at("data/rep?rt.xlsx")));
        QVERIFY(fileExists(at("data/*")));
        QVERIFY(fileExists(at("data/*.*")));
        QVERIFY(fileExists(at("data/R*.XLS")));
        QVERIFY(!fileExists(at("data/*.csv")));
        QVERIFY(!fileExists(at("data/?.xlsx")));
        // Wildcards only in the last component.
        QVERIFY(!fileExists(at("d*a/report.xlsx")));
        // Relative paths are looked up from the current folder.
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path() + QStringLiteral("/data")));
        QVERIFY(fileExists("report.xlsx"));
        QVERIFY(fileExists("*.xlsx"));
        QVERIFY(!fileExists("*.csv"));
        QVERIFY(QDir::setCurrent(previous));
    }

    void directoryExistsNeedsAFolder()
    {
        QVERIFY(directoryExists(at("out")));
        QVERIFY(directoryExists(at("out/")));     // one trailing separator is ignored
        QVERIFY(!directoryExists(at("out//")));   // two are not
        QVERIFY(directoryExists(at("outlink")));  // a link to a folder counts
        QVERIFY(directoryExists(at("outlink/")));
        QVERIFY(!directoryExists(at("data/report.xlsx")));
        QVERIFY(!directoryExists(at("data/report.xlsx/")));
        QVERIFY(!directoryExists(at("dangling")));
        QVERIFY(!directoryExists(at("missing")));
        QVERIFY(!directoryExists(QByteArray()));
        QVERIFY(directoryExists("/"));
        QVERIFY(directoryExists(at("o*")));       // "out" is the first match
        QVERIFY(!directoryExists(at("data/*.xlsx")));
    }

    void appDirectoryEndsAtTheLastSeparator()
    {
        QCOMPARE(appDirectory("/opt/sheetsplicer/Sheetsplicer"), QByteArray("/opt/sheetsplicer/"));
        QCOMPARE(appDirectory("build/app/Sheetsplicer"), QByteArray("build/app/"));
        QCOMPARE(appDirectory("/Sheetsplicer"), QByteArray("/"));
        QCOMPARE(appDirectory("Sheetsplicer"), QByteArray());
        QCOMPARE(appDirectory(QByteArray()), QByteArray());
        // On Linux "\" is part of a name, not a separator.
        QCOMPARE(appDirectory("C:\\tools\\Sheetsplicer.exe"), QByteArray());
        QCOMPARE(appDirectory("/a\\b/c"), QByteArray("/a\\b/"));
    }

    void executablePathFromTheArgument()
    {
        // An absolute argument is used as it is.
        QCOMPARE(executablePath("/opt/x/Sheetsplicer"), QByteArray("/opt/x/Sheetsplicer"));
        // A bare name or a relative path: the running executable itself.
        char buffer[4096];
        const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
        QVERIFY(length > 0);
        const QByteArray self(buffer, int(length));
        QCOMPARE(executablePath("app_platform_test"), self);
        QCOMPARE(executablePath("./tests/app_platform_test"), self);
        QCOMPARE(executablePath(nullptr), self);
        QCOMPARE(appDirectory(executablePath("app_platform_test")),
                 QFile::encodeName(QCoreApplication::applicationDirPath()) + '/');
    }

    void programImageNameIsFixed()
    {
        QCOMPARE(QByteArray(programImageName()), QByteArray("Sheetsplicer"));
        QCOMPARE(countProcesses(nullptr), 0);
        QCOMPARE(terminateFirstProcess(nullptr), 0);
    }

    void countsOwnProcess()
    {
        const QByteArray self = QFileInfo(QCoreApplication::applicationFilePath()).fileName().toLocal8Bit();
        QCOMPARE(countProcesses(self.constData()), 1);
        QCOMPARE(countProcesses("no-such-program-name-1234"), 0);
        QCOMPARE(terminateFirstProcess("no-such-program-name-1234"), 0);
    }

    void instanceRuleOnOtherProcesses()
    {
        // Three copies of sleep: two under one name, one under another; the
        // rule counts and ends by the executable's file name only.
        const QString sleep = QStandardPaths::findExecutable(QStringLiteral("sleep"));
        QVERIFY(!sleep.isEmpty());
        const QByteArray name = "ssp_" + QByteArray::number(qlonglong(getpid()));
        const QByteArray otherName = name + "_other";
        const QString copy = m_dir.filePath(QString::fromLatin1(name));
        const QString otherCopy = m_dir.filePath(QString::fromLatin1(otherName));
        QVERIFY(QFile::copy(sleep, copy));
        QVERIFY(QFile::copy(sleep, otherCopy));
        QVERIFY(QFile::setPermissions(copy, QFile::ReadOwner | QFile::ExeOwner));
        QVERIFY(QFile::setPermissions(otherCopy, QFile::ReadOwner | QFile::ExeOwner));

        QCOMPARE(countProcesses(name.constData()), 0);
        QProcess first;
        QProcess second;
        QProcess other;
        first.start(copy, {QStringLiteral("30")});
        QVERIFY(first.waitForStarted());
        second.start(copy, {QStringLiteral("30")});
        QVERIFY(second.waitForStarted());
        other.start(otherCopy, {QStringLiteral("30")});
        QVERIFY(other.waitForStarted());
        QTRY_COMPARE(countProcesses(name.constData()), 2);
        QCOMPARE(countProcesses(otherName.constData()), 1);

        // The first in /proc order (the lower id) is ended.
        const qint64 lower = qMin(first.processId(), second.processId());
        QProcess &expectedEnded = first.processId() == lower ? first : second;
        QProcess &expectedLeft = first.processId() == lower ? second : first;
        QCOMPARE(terminateFirstProcess(name.constData()), 1);
        QVERIFY(expectedEnded.waitForFinished(5000));
        QCOMPARE(expectedEnded.exitStatus(), QProcess::CrashExit);
        QCOMPARE(expectedLeft.state(), QProcess::Running);
        QTRY_COMPARE(countProcesses(name.constData()), 1);
        QCOMPARE(countProcesses(otherName.constData()), 1);
        QCOMPARE(other.state(), QProcess::Running);

        QCOMPARE(terminateFirstProcess(name.constData()), 1);
        QVERIFY(expectedLeft.waitForFinished(5000));
        QTRY_COMPARE(countProcesses(name.constData()), 0);
        QCOMPARE(terminateFirstProcess(name.constData()), 0);

        other.kill();
        QVERIFY(other.waitForFinished(5000));
    }
};

QTEST_GUILESS_MAIN(AppPlatformTest)
#include "app_platform_test.moc"
