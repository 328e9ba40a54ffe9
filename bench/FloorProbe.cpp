#include "FloorProbe.h"

#include "AutomationObject.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <memory>

namespace {

// Opens `path`, saves it as `target` and closes it; the two times in ms,
// -1 for a step that failed.
void loadAndSave(AutomationObject *workbooks, const QString &path, const QString &target,
                 qint64 &loadMs, qint64 &saveMs, QString &error)
{
    QElapsedTimer timer;
    timer.start();
    AutomationObject *book = workbooks->querySubObject("Open(const QString&)", QDir::toNativeSeparators(path));
    if (!book) {
        loadMs = -1;
        saveMs = -1;
        error = QStringLiteral("cannot open %1").arg(QFileInfo(path).fileName());
        return;
    }
    loadMs = timer.elapsed();
    timer.restart();
    const QVariant saved = book->dynamicCall("SaveAs(const QString&, QVariant)",
                                             QDir::toNativeSeparators(target), saveFormatFor(target));
    saveMs = timer.elapsed();
    if (!saved.toBool() || !QFileInfo(target).isFile()) {
        saveMs = -1;
        error = QStringLiteral("cannot save %1").arg(QFileInfo(target).fileName());
    }
    book->dynamicCall("Close (Boolean)", false);
    delete book;
}

} // namespace

FloorMeasure measureFloor(const QString &source, const QString &scratchDir, const QStringList &results)
{
    FloorMeasure m;
    QDir().mkpath(scratchDir);
    const QString ending = QLatin1Char('.') + QFileInfo(source).suffix().toLower();

    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<AutomationObject> application(new AutomationObject);
    application->setControl(QStringLiteral("Excel.Application"));
    AutomationObject *workbooks = application->querySubObject("WorkBooks");
    if (!workbooks) {
        m.error = QStringLiteral("the office did not start");
        application->dynamicCall("Quit(void)");
        return m;
    }
    m.startMs = timer.elapsed();

    loadAndSave(workbooks, source, scratchDir + QStringLiteral("/floor-source") + ending,
                m.loadSourceMs, m.saveSourceMs, m.error);
    for (int i = 0; i < results.size(); ++i) {
        qint64 load = -1;
        qint64 save = -1;
        if (QFileInfo(results.at(i)).isFile()) {
            QString error;
            loadAndSave(workbooks, results.at(i),
                        scratchDir + QStringLiteral("/floor-result-%1").arg(i + 1)
                            + QLatin1Char('.') + QFileInfo(results.at(i)).suffix().toLower(),
                        load, save, error);
            if (m.error.isEmpty())
                m.error = error;
        }
        m.loadResultMs << load;
        m.saveResultMs << save;
    }

    timer.restart();
    application->dynamicCall("Quit(void)");
    application.reset();
    m.quitMs = timer.elapsed();
    return m;
}

