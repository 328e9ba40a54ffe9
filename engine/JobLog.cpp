#include "JobLog.h"

#include <QDateTime>
#include <QLoggingCategory>
#include <QMutex>
#include <QMutexLocker>

namespace {

const char kPrefix[] = "sheetsplicer.";

struct Kept
{
    QString text;
    bool printed = false;
};

QMutex keptMutex;
QList<Kept> kept;
QtMessageHandler previousHandler = nullptr;
bool printInformation = false;

void keepMessage(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const bool ours = context.category && qstrncmp(context.category, kPrefix, sizeof kPrefix - 1) == 0;
    const bool print = !ours || type != QtInfoMsg || printInformation;
    if (ours) {
        QMutexLocker lock(&keptMutex);
        kept << Kept{QStringLiteral("%1: %2").arg(QString::fromLatin1(context.category), message), print};
        if (kept.size() > JobLog::kMaxLines)
            kept.removeFirst();
    }
    if (previousHandler && print)
        previousHandler(type, context, message);
}

} // namespace

namespace JobLog {

void install()
{
    printInformation = qEnvironmentVariable("QT_LOGGING_RULES").contains(QLatin1String(kPrefix));
    // Rules given in QT_LOGGING_RULES still come after this one.
    QLoggingCategory::setFilterRules(QStringLiteral("sheetsplicer.*.info=true"));
    previousHandler = qInstallMessageHandler(keepMessage);
}

void clear()
{
    QMutexLocker lock(&keptMutex);
    kept.clear();
}

QStringList lines(bool printedToo)
{
    QMutexLocker lock(&keptMutex);
    QStringList texts;
    for (const Kept &line : kept)
        if (printedToo || !line.printed)
            texts << line.text;
    return texts;
}

QString entry(const QString &source, const QString &lastText, const QStringList &lines)
{
    QString text = QDateTime::currentDateTime().toString(Qt::ISODate) + QLatin1Char(' ') + source
        + QLatin1Char('\n') + QLatin1String("  ") + lastText + QLatin1Char('\n');
    for (const QString &line : lines)
        text += QLatin1String("    ") + line + QLatin1Char('\n');
    return text;
}

} // namespace JobLog
