// sheetsplicer-bench: measures both jobs through the office on generated
// workbooks of three sizes, against the time the office needs just to start,
// load the source and save the result.

#include "BenchOptions.h"
#include "BenchRunner.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const BenchOptions options = parseBenchOptions(application.arguments().mid(1));

    switch (options.mode) {
    case BenchOptions::Mode::Help:
        QTextStream(stdout) << benchUsage();
        return 0;
    case BenchOptions::Mode::UsageError:
        QTextStream(stderr) << "sheetsplicer-bench: " << options.error << "\n\n" << benchUsage();
        return 2;
    case BenchOptions::Mode::RunOne:
        return runOneChild(options);
    case BenchOptions::Mode::Floor:
        return runFloorChild(options);
    case BenchOptions::Mode::Repeat:
        return runBenchRepeat(options);
    case BenchOptions::Mode::Table:
        break;
    }
    return runBenchTable(options);
}
