#include "JobProbe.h"

#include "OfficeWatcher.h"
#include "ProcessMemory.h"
#include "UnoCounter.h"

#include "AutomationObject.h"
#include "JobSettings.h"
#include "MergeObject.h"
#include "Texts.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>

#include <sys/resource.h>

RunMeasure runJobOnce(const JobRequest &request, OfficeWatcher &watcher, int runNumber)
{
    RunMeasure measure;
    measure.run = runNumber;
    measure.resultPath = expectedResultPath(request.source, request.outDir);
    // The files job makes a folder named after the source, its files in it.
    const bool files = request.job == BenchJob::Files;
    if (files)
        measure.resultPath = QDir(request.outDir).filePath(QFileInfo(request.source).completeBaseName());
    const bool resultIsSource = !files && !clearEarlierResult(measure.resultPath, request.source);
    if (files)
        QDir(measure.resultPath).removeRecursively();

    JobSettings &settings = JobSettings::current();
    settings = JobSettings();
    settings.sourceWorkbookPath = request.source;
    settings.savePath = request.outDir.endsWith(QLatin1Char('/')) ? request.outDir
                                                                  : request.outDir + QLatin1Char('/');
    settings.classifyColumn = 1;
    settings.headerRowsEnabled = true;
    settings.headerRows = request.headerRows;
    settings.allowEditRangeEnabled = !request.editRange.isEmpty();
    settings.allowEditRange = normalizedEditRange(request.editRange);
    settings.lookupColumn = 2;

    measure.peakIsPerRun = resetOwnPeak();
    watcher.reset();

    QTextStream err(stderr);
    err.setCodec("UTF-8");
    QString lastText;
    QList<qint64> categoryTimes; // when each category's split began, and the text after the last
    bool splitting = false;
    const qint64 cpuBefore = ownCpuMs();
    const quint64 callsBefore = AutomationObject::operationCount();
    const quint64 tripsBefore = unoRoundTrips();
    QElapsedTimer timer;
    timer.start();
    {
        MergeObject worker(QStringLiteral("bench"));
        QObject::connect(&worker, &MergeObject::ShowDisposingFile, [&](const QString &text) {
            lastText = text;
            const bool category = text.startsWith(Texts::splittingTo(QString()));
            if (category || splitting)
                categoryTimes << timer.elapsed();
            splitting = category;
            err << QStringLiteral("  [%1 s, %2 calls, %3 round trips] ")
                       .arg(timer.elapsed() / 1000.0, 0, 'f', 2)
                       .arg(AutomationObject::operationCount() - callsBefore)
                       .arg(unoRoundTrips() - tripsBefore)
                << text << '\n';
            err.flush();
        });
        if (request.job == BenchJob::Classify)
            worker.ClassifyShow();
        else if (request.job == BenchJob::Files)
            worker.SplitToFiles();
        else
            worker.InsertHyperLinks();
    }
    measure.wallMs = timer.elapsed();
    if (splitting)
        categoryTimes << measure.wallMs;
    const int categories = categoryTimes.size() - 1;
    // From one category's start to the next: the last category's own time
    // runs on to the text after it, through the work that follows the split.
    if (categories >= 200) {
        measure.firstCategoriesMs = (categoryTimes.at(100) - categoryTimes.at(0)) / 100;
        measure.lastCategoriesMs = (categoryTimes.at(categories - 1) - categoryTimes.at(categories - 101)) / 100;
    }
    measure.engineCalls = AutomationObject::operationCount() - callsBefore;
    measure.roundTrips = unoRoundTrips() - tripsBefore;

    measure.programCpuMs = cpuBefore < 0 ? -1 : ownCpuMs() - cpuBefore;
    watcher.sample();
    measure.officePeakKb = watcher.peakKb();
    measure.officeCpuMs = watcher.cpuMs();
    if (measure.peakIsPerRun) {
        measure.programPeakKb = ownPeakKb();
    } else {
        struct rusage usage {};
        if (::getrusage(RUSAGE_SELF, &usage) == 0)
            measure.programPeakKb = usage.ru_maxrss;
    }
    measure.programRssAfterKb = ownRssKb();
    measure.lastText = lastText;
    const QFileInfo result(measure.resultPath);
    measure.resultBytes = result.isFile() && !resultIsSource ? result.size() : -1;
    if (files && result.isDir()) {
        measure.resultBytes = 0;
        for (const QFileInfo &file : QDir(measure.resultPath).entryInfoList(QDir::Files))
            measure.resultBytes += file.size();
    }
    measure.success = Texts::isSuccess(lastText) && measure.resultBytes > 0;
    return measure;
}

