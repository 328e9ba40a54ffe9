#include "e2e_Cli.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>

QString CliRun::describe() const
{
    return QStringLiteral("exit %1%2\n%3%4")
        .arg(exitCode)
        .arg(finished ? QString() : QStringLiteral(" (did not finish)"))
        .arg(lines.join(QLatin1Char('\n')))
        .arg(errors.isEmpty() ? QString() : QStringLiteral("\nstderr: ") + errors);
}

CliRun runCli(const QStringList &arguments, int timeoutMs)
{
    CliRun run;
    QProcess cli;
    cli.start(QStringLiteral(SHEETSPLICER_CLI), arguments);
    run.finished = cli.waitForFinished(timeoutMs);
    if (!run.finished) {
        cli.kill();
        cli.waitForFinished(10000);
    }
    if (cli.exitStatus() == QProcess::NormalExit)
        run.exitCode = cli.exitCode();
    const QString out = QString::fromUtf8(cli.readAllStandardOutput());
    run.lines = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    run.errors = QString::fromUtf8(cli.readAllStandardError());
    return run;
}

QJsonObject readWorkbook(const QString &path, const QString &password, int *exitCode)
{
    QStringList arguments{QStringLiteral(E2E_SUPPORT_DIR "/e2e_workbook.py"), QStringLiteral("dump"), path};
    if (!password.isNull())
        arguments << password;
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), arguments);
    const bool done = python.waitForFinished(60000) && python.exitStatus() == QProcess::NormalExit;
    const int code = done ? python.exitCode() : -1;
    if (exitCode)
        *exitCode = code;
    if (code != 0) {
        if (code != 3)   // a refused password is often what the caller wants to see
            qWarning("e2e_workbook.py %s: %s", qPrintable(path), python.readAllStandardError().constData());
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

int decryptWorkbook(const QString &from, const QString &password, const QString &to)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(E2E_SUPPORT_DIR "/e2e_workbook.py"),
                                                      QStringLiteral("decrypt"), from, password, to});
    const bool done = python.waitForFinished(60000) && python.exitStatus() == QProcess::NormalExit;
    return done ? python.exitCode() : -1;
}

namespace {

// What e2e_workbook.py prints for `command` as JSON; empty when it fails.
QJsonObject scriptOutput(const QString &command, const QStringList &arguments)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 QStringList{QStringLiteral(E2E_SUPPORT_DIR "/e2e_workbook.py"), command} + arguments);
    if (!python.waitForFinished(240000) || python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0) {
        qWarning("e2e_workbook.py %s %s: %s", qPrintable(command), qPrintable(arguments.join(' ')),
                 python.readAllStandardError().constData());
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

} // namespace

QJsonObject xlsFormulaResults(const QString &path, int sheet)
{
    return scriptOutput(QStringLiteral("xls-results"), {path, QString::number(sheet)});
}

QJsonObject xlsViews(const QString &path)
{
    return scriptOutput(QStringLiteral("xls-views"), {path});
}

QJsonObject partDigests(const QString &path)
{
    return scriptOutput(QStringLiteral("parts"), {path});
}

QJsonObject freshOfficeSheets(const QString &path)
{
    return scriptOutput(QStringLiteral("fresh"), {path});
}

bool saveAsXls(const QString &from, const QString &to)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(E2E_SUPPORT_DIR "/e2e_workbook.py"), QStringLiteral("to-xls"), from, to});
    return python.waitForFinished(240000) && python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0
        && QFile::exists(to);
}

bool editWorkbook(const QString &path, const QString &password, const QJsonArray &edits)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(E2E_SUPPORT_DIR "/e2e_workbook.py"), QStringLiteral("edit"), path, password,
                  QString::fromUtf8(QJsonDocument(edits).toJson(QJsonDocument::Compact))});
    const bool done = python.waitForFinished(240000) && python.exitStatus() == QProcess::NormalExit
                      && python.exitCode() == 0;
    if (!done)
        qWarning("e2e_workbook.py edit %s: %s", qPrintable(path), python.readAllStandardError().constData());
    return done;
}

QString success(const QString &job)
{
    return QString::fromUtf8(job == QLatin1String("classify") ? "成功生成汇总分类表!" : "成功生成分类汇总表!");
}

QStringList namesOf(const QJsonObject &book)
{
    return book.value(QStringLiteral("sheetNames")).toVariant().toStringList();
}

QJsonObject sheetOf(const QJsonObject &workbook, const QString &name)
{
    return workbook.value(QStringLiteral("sheets")).toObject().value(name).toObject();
}

QJsonObject cellOf(const QJsonObject &sheet, const QString &address)
{
    return sheet.value(QStringLiteral("cells")).toObject().value(address).toObject();
}

QString valueText(const QJsonObject &sheet, const QString &address)
{
    const QJsonValue value = cellOf(sheet, address).value(QStringLiteral("value"));
    if (value.isDouble()) {
        const double number = value.toDouble();
        if (number == static_cast<double>(static_cast<long long>(number)))
            return QString::number(static_cast<long long>(number));
        return QString::number(number);
    }
    if (value.isBool())
        return value.toBool() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    return value.toString();
}

bool isCompoundFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.read(8) == QByteArray::fromHex("d0cf11e0a1b11ae1");
}

PrivateTemp::PrivateTemp() = default;
PrivateTemp::~PrivateTemp() = default;

bool PrivateTemp::install()
{
    m_dir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/sheetsplicer-e2e-XXXXXX"));
    if (!m_dir->isValid())
        return false;
    m_path = QDir(m_dir->path()).canonicalPath();
    return qputenv("TMPDIR", QFile::encodeName(m_path));
}

namespace {

QByteArray processFile(const QString &pid, const char *name)
{
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid, QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Office processes whose command line names `folder`.
QStringList officesOn(const QString &folder)
{
    QStringList found;
    const QByteArray needle = QFile::encodeName(folder);
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool numeric = false;
        entry.toLongLong(&numeric);
        if (!numeric || processFile(entry, "comm").trimmed() != "soffice.bin")
            continue;
        if (processFile(entry, "cmdline").contains(needle))
            found << entry;
    }
    return found;
}

} // namespace

QStringList PrivateTemp::leftovers() const
{
    QStringList problems;
    if (m_path.isEmpty())
        return problems;
    for (const QString &pid : officesOn(m_path))
        problems << QStringLiteral("office process %1 still runs").arg(pid);
    const QStringList folders = QDir(m_path).entryList({QStringLiteral("sheetsplicer-office-*")},
                                                       QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &folder : folders)
        problems << QStringLiteral("office folder %1 left in the temporary folder").arg(folder);
    // The office's own scratch files ("lu" + process id + random + ".tmp").
    const QStringList scratch = QDir(m_path).entryList({QStringLiteral("lu*.tmp")},
                                                       QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QString &file : scratch)
        problems << QStringLiteral("office scratch file %1 left in the temporary folder").arg(file);
    return problems;
}

QStringList lockFilesIn(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral(".~lock*")}, QDir::Files | QDir::Hidden | QDir::System);
}

CaseFolders::CaseFolders(const QString &parent)
    : m_dir(new QTemporaryDir(parent + QStringLiteral("/case-XXXXXX")))
{
    if (m_dir->isValid()) {
        QDir(m_dir->path()).mkpath(QStringLiteral("in"));
        QDir(m_dir->path()).mkpath(QStringLiteral("out"));
    }
}

CaseFolders::~CaseFolders() = default;

bool CaseFolders::isValid() const
{
    return m_dir->isValid() && QFileInfo(in()).isDir() && QFileInfo(out()).isDir();
}

QString CaseFolders::path() const
{
    return m_dir->path();
}

QString CaseFolders::in(const QString &name) const
{
    return m_dir->path() + QStringLiteral("/in") + (name.isEmpty() ? QString() : QLatin1Char('/') + name);
}

QString CaseFolders::out(const QString &name) const
{
    return m_dir->path() + QStringLiteral("/out") + (name.isEmpty() ? QString() : QLatin1Char('/') + name);
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
