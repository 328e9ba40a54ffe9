#include "SourceMaker.h"

#include "ChildRunner.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {
const char pythonProgram[] = "/usr/bin/python3";
const int generatorTimeoutSeconds = 900;
}

QString sourceScriptPath()
{
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/make_source.py");
    if (QFileInfo(beside).isFile())
        return beside;
    return QStringLiteral(BENCH_SOURCE_DIR "/make_source.py");
}

bool makeSource(const BenchSize &size, SourceKind kind, const QString &path, QString &error)
{
    const QStringList arguments{sourceScriptPath(),
                                QStringLiteral("--rows"), QString::number(size.rows),
                                QStringLiteral("--columns"), QString::number(size.columns),
                                QStringLiteral("--categories"), QString::number(size.categories),
                                QStringLiteral("--kind"), kindName(kind),
                                path};
    QByteArray output;
    if (!runTool(QString::fromLatin1(pythonProgram), arguments, generatorTimeoutSeconds, output, error))
        return false;
    const SourceLayout layout = layoutFor(size, kind);
    const QByteArray expected = QStringLiteral("first_row=%1 last_row=%2")
                                    .arg(layout.firstDataRow).arg(layout.lastDataRow).toLatin1();
    if (!output.contains(expected)) {
        error = QStringLiteral("the generator wrote another layout: %1").arg(QString::fromUtf8(output).trimmed());
        return false;
    }
    return true;
}
