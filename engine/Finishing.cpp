#include "Finishing.h"

#include "FileFormats.h"
#include "JobSettings.h"
#include "Texts.h"

#include "AutomationObject.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Passwords travel as texts, the empty one included.
QString text(const QString &value)
{
    return value.isNull() ? QStringLiteral("") : value;
}

} // namespace

void selectSummarySheet(JobState &job)
{
    job.summarySheet->dynamicCall("Select()");
}

void protectStructure(JobState &job)
{
    if (job.settings.structurePasswordEnabled)
        job.workbook->dynamicCall("Protect(const QString&)", text(job.settings.structurePassword));
}

void setOpenPassword(JobState &job)
{
    if (job.settings.openPasswordEnabled)
        job.workbook->setProperty("Password", text(job.settings.openPassword));
}

bool saveWorkbook(JobState &job)
{
    const FileFormat format = outputFormat(job.nativePath);
    const QVariant saved = job.workbook->dynamicCall("SaveAs(const QString&, QVariant)",
                                                     outputPath(job.settings.savePath, job.nativePath),
                                                     format.number);
    return saved.isValid();
}

QString saveFailedText(JobState &job)
{
    if (job.workbook->property("SourceDamaged").toBool())
        return Texts::sourceDamaged(QFileInfo(job.nativePath).fileName());
    return Texts::saveFailed();
}

void closeWorkbook(JobState &job)
{
    job.workbook->dynamicCall("Close (Boolean)", false);
}

Outcome finishWorkbook(JobState &job, const QString &successText)
{
    job.showProgress(0, 0);
    selectSummarySheet(job);
    protectStructure(job);
    setOpenPassword(job);
    const QString target = outputPath(job.settings.savePath, job.nativePath);
    job.report(Texts::saving(QDir::toNativeSeparators(target)));
    const bool saved = saveWorkbook(job);
    if (saved)
        job.savedPath = target;
    const QString failed = saved ? QString() : saveFailedText(job);
    closeWorkbook(job);
    if (job.applicationLost())
        return Outcome::stop(Texts::applicationLost());
    if (!saved)
        return Outcome::stop(failed);
    // A cancel that came during the save wins; the job then removes the file.
    if (job.keepResult && !job.keepResult())
        return Outcome::goOn();
    job.report(Texts::savedTo(QDir::toNativeSeparators(job.savedPath)));
    job.report(successText);
    return Outcome::goOn();
}
