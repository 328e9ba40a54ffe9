#include "ooxml_python.h"

#include <QFile>
#include <QJsonDocument>
#include <QProcess>

namespace ooxmltest {

QString pythonWith(const QStringList &modules)
{
    // Debian's interpreter first: its packages are the ones the project installs.
    for (const QString &candidate : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
        const PythonRun run = runPython(candidate, QStringLiteral("import ") + modules.join(QLatin1Char(',')), {},
                                        30000);
        if (run.ok())
            return candidate;
    }
    return {};
}

PythonRun runPython(const QString &python, const QString &script, const QStringList &args, int timeoutMs)
{
    QProcess process;
    process.setProgram(python);
    process.setArguments(QStringList{QStringLiteral("-c"), script} + args);
    // A neutral folder, so that nothing beside the test shadows a module.
    process.setWorkingDirectory(QStringLiteral("/"));
    PythonRun run;
    process.start();
    if (!process.waitForStarted(10000))
        return run;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return run;
}

QJsonObject runPythonJson(const QString &python, const QString &script, const QStringList &args,
                          QString *failure)
{
    const PythonRun run = runPython(python, script, args);
    if (!run.ok()) {
        *failure = QString::fromUtf8(run.err);
        return {};
    }
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(run.out, &parseError);
    if (!doc.isObject()) {
        *failure = parseError.errorString() + QLatin1String(": ") + QString::fromUtf8(run.out);
        return {};
    }
    return doc.object();
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

} // namespace ooxmltest
