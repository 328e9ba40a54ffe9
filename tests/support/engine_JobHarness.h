#pragma once

#include "JobSettings.h"
#include "MergeObject.h"

#include <QDir>
#include <QFile>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>

// What one job run showed: its texts in order, and where the end signal came.
struct JobEvents
{
    JobSettings settings; // as the job left them
    QStringList texts;
    QStringList all; // texts and "<end>" for Signal_SetButtonEnable()

    int ends() const { return all.count(QStringLiteral("<end>")); }
    // Exactly one end signal, and nothing after it.
    bool endedOnce() const { return ends() == 1 && all.last() == QStringLiteral("<end>"); }
};

enum class Job { ClassifyShow, InsertHyperLinks, CategoryFiles };

inline JobEvents runJob(Job job, const JobSettings &settings, MergeObject *worker = nullptr)
{
    JobSettings::current() = settings;
    MergeObject own(QStringLiteral("tem"));
    MergeObject *w = worker ? worker : &own;
    w->setSettings(settings);
    JobEvents events;
    const QMetaObject::Connection texts = QObject::connect(w, &MergeObject::ShowDisposingFile, [&](const QString &t) {
        events.texts << t;
        events.all << t;
    });
    const QMetaObject::Connection ends = QObject::connect(w, &MergeObject::Signal_SetButtonEnable, [&] {
        events.all << QStringLiteral("<end>");
    });
    if (job == Job::ClassifyShow)
        w->ClassifyShow();
    else if (job == Job::CategoryFiles)
        w->SplitToFiles();
    else
        w->InsertHyperLinks();
    QObject::disconnect(texts);
    QObject::disconnect(ends);
    events.settings = w->settings();
    return events;
}

// Files the source check finds: they start as a workbook of their ending
// does, which is all the check reads; the recording backend never reads them.
class SourceFolder
{
public:
    QString file(const QString &name)
    {
        const QString path = m_dir.path() + QLatin1Char('/') + name;
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(name.endsWith(QLatin1String(".xls"), Qt::CaseInsensitive)
                    ? QByteArray::fromHex("d0cf11e0a1b11ae1")
                    : QByteArray("PK\x03\x04", 4));
        return path;
    }
    QString folder() const { return m_dir.path() + QLatin1Char('/'); }
    // A folder beside the sources for results: a job refuses to save into
    // the source's own folder.
    QString outputFolder() const
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("out"));
        return m_dir.path() + QStringLiteral("/out/");
    }

private:
    QTemporaryDir m_dir;
};
