#include "ChildRunner.h"

#include "ProcessMemory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <csignal>
#include <sys/types.h>

namespace {

// Kills the office (or anything else) the child started, then the child.
// The office runs in its own process group, so it has to be found by its
// parent; the child is stopped first so that it cannot start another one
// (it restarts an office that exits during its first start) in between.
void killWithChildren(QProcess &process)
{
    const qint64 pid = process.processId();
    if (pid > 0) {
        ::kill(static_cast<pid_t>(pid), SIGSTOP);
        for (qint64 child : childProcesses(pid))
            ::kill(static_cast<pid_t>(child), SIGKILL);
    }
    process.kill();
    process.waitForFinished(10000);
}

} // namespace

ChildOutcome runChild(const QStringList &arguments, int timeoutSeconds, bool showChildTexts)
{
    ChildOutcome outcome;
    QProcess process;
    process.setProgram(QCoreApplication::applicationFilePath());
    process.setArguments(arguments);
    if (showChildTexts)
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    else
        process.setStandardErrorFile(QProcess::nullDevice());

    QElapsedTimer timer;
    timer.start();
    process.start();
    if (!process.waitForStarted(30000)) {
        outcome.failure = QStringLiteral("could not start: %1").arg(process.errorString());
        return outcome;
    }
    outcome.started = true;

    QByteArray output;
    const qint64 limitMs = qint64(timeoutSeconds) * 1000;
    while (process.state() != QProcess::NotRunning) {
        const qint64 left = limitMs - timer.elapsed();
        if (left <= 0) {
            outcome.timedOut = true;
            killWithChildren(process);
            break;
        }
        process.waitForFinished(int(qMin<qint64>(left, 1000)));
        output += process.readAllStandardOutput();
    }
    output += process.readAllStandardOutput();
    outcome.wallMs = timer.elapsed();
    outcome.results = decodeResultLines(output);

    if (outcome.timedOut) {
        outcome.failure = QStringLiteral("timeout");
    } else if (process.exitStatus() == QProcess::CrashExit) {
        outcome.crashed = true;
        outcome.failure = QStringLiteral("crashed");
    } else {
        outcome.exitCode = process.exitCode();
        if (outcome.exitCode != 0)
            outcome.failure = QStringLiteral("exit code %1").arg(outcome.exitCode);
    }
    return outcome;
}

bool runTool(const QString &program, const QStringList &arguments, int timeoutSeconds,
             QByteArray &output, QString &error, bool withErrors)
{
    QProcess process;
    if (withErrors)
        process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(30000)) {
        error = QStringLiteral("%1 did not start: %2").arg(program, process.errorString());
        return false;
    }
    if (!process.waitForFinished(timeoutSeconds * 1000)) {
        process.kill();
        process.waitForFinished(10000);
        output = process.readAllStandardOutput();
        error = QStringLiteral("%1 took longer than %2 s").arg(program).arg(timeoutSeconds);
        return false;
    }
    output = process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        error = QStringLiteral("%1 failed: %2").arg(program, QString::fromUtf8(output).trimmed());
        return false;
    }
    return true;
}

QString childFailureText(const ChildOutcome &child)
{
    if (child.timedOut)
        return QStringLiteral("timeout");
    if (!child.failure.isEmpty())
        return child.failure;
    return QStringLiteral("no measurement from the child");
}
