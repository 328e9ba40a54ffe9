#include "RunMeasure.h"

#include "Texts.h"

#include <QFile>
#include <QFileInfo>

QString expectedResultPath(const QString &source, const QString &outDir)
{
    const QFileInfo info(source);
    QString folder = outDir;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + info.completeBaseName() + QLatin1Char('.') + info.suffix().toLower();
}

bool clearEarlierResult(const QString &resultPath, const QString &source)
{
    if (QFileInfo(resultPath).absoluteFilePath() == QFileInfo(source).absoluteFilePath())
        return false;
    QFile::remove(resultPath);
    return true;
}

QString outcomeText(bool successText, qint64 resultBytes, const QString &lastText)
{
    if (successText && resultBytes > 0)
        return QStringLiteral("ok");
    if (successText)
        return QStringLiteral("success reported, but no result file");
    if (lastText.isEmpty())
        return QStringLiteral("no text from the job");
    return lastText;
}

QString outcomeOf(const RunMeasure &measure)
{
    return outcomeText(Texts::isSuccess(measure.lastText), measure.resultBytes, measure.lastText);
}

ResultFields toFields(const RunMeasure &m)
{
    ResultFields f;
    f.insert(QStringLiteral("run"), QString::number(m.run));
    f.insert(QStringLiteral("wall_ms"), QString::number(m.wallMs));
    f.insert(QStringLiteral("calls"), QString::number(m.engineCalls));
    f.insert(QStringLiteral("trips"), QString::number(m.roundTrips));
    f.insert(QStringLiteral("peak_kb"), QString::number(m.programPeakKb));
    f.insert(QStringLiteral("peak_per_run"), m.peakIsPerRun ? QStringLiteral("1") : QStringLiteral("0"));
    f.insert(QStringLiteral("rss_after_kb"), QString::number(m.programRssAfterKb));
    f.insert(QStringLiteral("office_kb"), QString::number(m.officePeakKb));
    f.insert(QStringLiteral("program_cpu_ms"), QString::number(m.programCpuMs));
    f.insert(QStringLiteral("office_cpu_ms"), QString::number(m.officeCpuMs));
    f.insert(QStringLiteral("text"), m.lastText);
    f.insert(QStringLiteral("category_first_ms"), QString::number(m.firstCategoriesMs));
    f.insert(QStringLiteral("category_last_ms"), QString::number(m.lastCategoriesMs));
    f.insert(QStringLiteral("ok"), m.success ? QStringLiteral("1") : QStringLiteral("0"));
    f.insert(QStringLiteral("bytes"), QString::number(m.resultBytes));
    f.insert(QStringLiteral("result"), m.resultPath);
    return f;
}

RunMeasure runMeasureFrom(const ResultFields &f)
{
    RunMeasure m;
    m.run = int(fieldNumber(f, QStringLiteral("run"), 1));
    m.wallMs = fieldNumber(f, QStringLiteral("wall_ms"), -1);
    m.engineCalls = quint64(qMax<qint64>(0, fieldNumber(f, QStringLiteral("calls"), 0)));
    m.roundTrips = quint64(qMax<qint64>(0, fieldNumber(f, QStringLiteral("trips"), 0)));
    m.programPeakKb = fieldNumber(f, QStringLiteral("peak_kb"));
    m.peakIsPerRun = f.value(QStringLiteral("peak_per_run")) == QLatin1String("1");
    m.programRssAfterKb = fieldNumber(f, QStringLiteral("rss_after_kb"));
    m.officePeakKb = fieldNumber(f, QStringLiteral("office_kb"));
    m.programCpuMs = fieldNumber(f, QStringLiteral("program_cpu_ms"));
    m.officeCpuMs = fieldNumber(f, QStringLiteral("office_cpu_ms"));
    m.lastText = f.value(QStringLiteral("text"));
    m.firstCategoriesMs = fieldNumber(f, QStringLiteral("category_first_ms"));
    m.lastCategoriesMs = fieldNumber(f, QStringLiteral("category_last_ms"));
    m.success = f.value(QStringLiteral("ok")) == QLatin1String("1");
    m.resultBytes = fieldNumber(f, QStringLiteral("bytes"));
    m.resultPath = f.value(QStringLiteral("result"));
    return m;
}
