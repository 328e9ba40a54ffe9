#include "BenchOptions.h"

namespace {

BenchOptions refuse(const QString &error)
{
    BenchOptions options;
    options.mode = BenchOptions::Mode::UsageError;
    options.error = error;
    return options;
}

bool positiveNumber(const QString &text, int &value)
{
    bool ok = false;
    const int n = text.toInt(&ok);
    if (!ok || n < 1)
        return false;
    value = n;
    return true;
}

// A comma-separated list of names, each resolved by `lookup`; duplicates
// dropped, order kept.
template <typename T, typename Lookup>
bool readList(const QString &text, Lookup lookup, QList<T> &out, QString &bad)
{
    QList<T> items;
    for (const QString &part : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const auto item = lookup(part);
        if (!item) {
            bad = part.trimmed();
            return false;
        }
        if (!items.contains(*item))
            items << *item;
    }
    if (items.isEmpty()) {
        bad = text;
        return false;
    }
    out = items;
    return true;
}

BenchOptions parseRunOne(const QStringList &rest)
{
    const bool profile = rest.size() == 7 && rest.at(6) == QLatin1String("profile");
    if (rest.size() != 6 && !profile)
        return refuse(QStringLiteral("--run-one takes JOB SOURCE OUTDIR HEADER_ROWS EDIT_RANGE RUNS [profile]"));
    BenchOptions options;
    options.mode = BenchOptions::Mode::RunOne;
    const auto job = jobNamed(rest.at(0));
    if (!job)
        return refuse(QStringLiteral("unknown job \"%1\"").arg(rest.at(0)));
    options.childJob = *job;
    options.childProfile = profile;
    options.childSource = rest.at(1);
    options.childOutDir = rest.at(2);
    if (!positiveNumber(rest.at(3), options.childHeaderRows) || options.childHeaderRows > 99)
        return refuse(QStringLiteral("bad header row count \"%1\"").arg(rest.at(3)));
    // "-": no editable range.
    options.childEditRange = rest.at(4) == QLatin1String("-") ? QString() : rest.at(4);
    if (!positiveNumber(rest.at(5), options.childRuns))
        return refuse(QStringLiteral("bad run count \"%1\"").arg(rest.at(5)));
    if (options.childSource.isEmpty() || options.childOutDir.isEmpty() || rest.at(4).isEmpty())
        return refuse(QStringLiteral("--run-one needs a source, an output folder and an edit range (or -)"));
    return options;
}

BenchOptions parseFloor(const QStringList &rest)
{
    if (rest.size() < 2 || rest.at(0).isEmpty() || rest.at(1).isEmpty())
        return refuse(QStringLiteral("--floor takes SOURCE SCRATCH [RESULT...]"));
    BenchOptions options;
    options.mode = BenchOptions::Mode::Floor;
    options.childSource = rest.at(0);
    options.floorScratch = rest.at(1);
    options.floorResults = rest.mid(2);
    return options;
}

} // namespace

BenchOptions parseBenchOptions(const QStringList &arguments)
{
    if (!arguments.isEmpty() && arguments.first() == QLatin1String("--run-one"))
        return parseRunOne(arguments.mid(1));
    if (!arguments.isEmpty() && arguments.first() == QLatin1String("--floor"))
        return parseFloor(arguments.mid(1));

    BenchOptions options;
    static const QStringList valued{QStringLiteral("--sizes"), QStringLiteral("--kinds"), QStringLiteral("--jobs"),
                                    QStringLiteral("--repeat-m"), QStringLiteral("--keep"), QStringLiteral("--timeout"),
                                    QStringLiteral("--file"), QStringLiteral("--update")};
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            options.mode = BenchOptions::Mode::Help;
            return options;
        }
        if (argument == QLatin1String("--verbose")) {
            options.verbose = true;
            continue;
        }
        if (argument == QLatin1String("--profile")) {
            options.profile = true;
            continue;
        }
        QString name = argument;
        QString value;
        const int equals = argument.indexOf(QLatin1Char('='));
        if (argument.startsWith(QLatin1String("--")) && equals > 0) {
            name = argument.left(equals);
            value = argument.mid(equals + 1);
        }
        if (!valued.contains(name))
            return refuse(QStringLiteral("unknown argument %1").arg(argument));
        if (equals < 0) {
            if (i + 1 >= arguments.size())
                return refuse(QStringLiteral("%1 needs a value").arg(name));
            value = arguments.at(++i);
        }

        QString bad;
        if (name == QLatin1String("--sizes")) {
            if (!readList<BenchSize>(value, sizeNamed, options.sizes, bad))
                return refuse(QStringLiteral("unknown size \"%1\": use S, M, L").arg(bad));
            options.sizesGiven = true;
        } else if (name == QLatin1String("--kinds")) {
            if (!readList<SourceKind>(value, kindNamed, options.kinds, bad))
                return refuse(QStringLiteral("unknown kind \"%1\": use plain, rich").arg(bad));
        } else if (name == QLatin1String("--jobs")) {
            if (!readList<BenchJob>(value, jobNamed, options.jobs, bad))
                return refuse(QStringLiteral("unknown job \"%1\": use classify, link").arg(bad));
        } else if (name == QLatin1String("--repeat-m")) {
            if (!positiveNumber(value, options.repeat))
                return refuse(QStringLiteral("--repeat-m takes a whole number from 1 up, not \"%1\"").arg(value));
            options.mode = BenchOptions::Mode::Repeat;
        } else if (name == QLatin1String("--update")) {
            if (!positiveNumber(value, options.updateRecords))
                return refuse(QStringLiteral("--update takes a whole number of records, not \"%1\"").arg(value));
        } else if (name == QLatin1String("--keep")) {
            if (value.isEmpty())
                return refuse(QStringLiteral("--keep needs a folder"));
            options.keepDir = value;
        } else if (name == QLatin1String("--file")) {
            if (value.isEmpty())
                return refuse(QStringLiteral("--file needs a workbook"));
            options.files << value;
        } else if (name == QLatin1String("--timeout")) {
            if (!positiveNumber(value, options.timeoutSeconds))
                return refuse(QStringLiteral("--timeout takes a whole number of seconds, not \"%1\"").arg(value));
        }
    }

    if (options.mode == BenchOptions::Mode::Repeat && !options.files.isEmpty())
        return refuse(QStringLiteral("--file is for the table, not for --repeat-m"));
    // Workbooks given alone run alone.
    if (!options.sizesGiven && !options.files.isEmpty())
        return options;
    if (!options.sizesGiven) {
        if (options.mode == BenchOptions::Mode::Repeat)
            options.sizes = {*sizeNamed(QStringLiteral("M"))};
        else
            options.sizes = {*sizeNamed(QStringLiteral("S")), *sizeNamed(QStringLiteral("M"))};
    }
    return options;
}

QString benchUsage()
{
    return QStringLiteral(
        "Usage: sheetsplicer-bench [options]\n"
        "Generates summary workbooks, runs both jobs on them through the office and prints one\n"
        "markdown table: wall time, the time the office needs to start, load the source and save\n"
        "the result (the floor), automation calls, UNO round trips and peak memory.\n"
        "  --sizes S,M,L          table sizes (default S,M); S 1,000x8x5, M 10,000x12x20, L 50,000x12x50;\n"
        "                         many categories, split without an editable range: C50, C100, C200,\n"
        "                         C400 2,000x12x50..400, R500 500x12x500; F500 1,100x13x500 (with\n"
        "                         --kinds formulas)\n"
        "  --file WORKBOOK        also run the jobs on a copy of this workbook (repeatable; alone when no\n"
        "                         --sizes): first sheet, categories in column 1, one header row\n"
        "  --kinds plain,rich     source kinds (default both); formulas: a factor row under the header\n"
        "                         and every figure a formula reading it and its own row\n"
        "  --jobs classify,link   jobs (default both); files: one workbook per category\n"
        "  --repeat-m N           growth check: run each job N times in one process on size M\n"
        "                         (or on the sizes given) and print every run's peak memory\n"
        "  --update N             after each job, add N records to its result as a user would (on the\n"
        "                         summary for classify, on the category sheets for link) and time the\n"
        "                         same job updating it, against the same job splitting afresh the\n"
        "                         summary that holds all those records alone (the floor column)\n"
        "  --keep DIR             generate into DIR and keep sources and results there\n"
        "  --timeout SECONDS      limit per job (default 1800; the repeat check gets N times it)\n"
        "  --verbose              show every job's texts, with the calls and round trips so far, on stderr\n"
        "  --profile              show, after every job, the backend members that took the most time\n"
        "  --help                 this text\n");
}

QStringList runOneArguments(BenchJob job, const QString &source, const QString &outDir,
                            int headerRows, const QString &editRange, int runs, bool profile)
{
    QStringList arguments{QStringLiteral("--run-one"), jobName(job), source, outDir, QString::number(headerRows),
                          editRange.isEmpty() ? QStringLiteral("-") : editRange, QString::number(runs)};
    if (profile)
        arguments << QStringLiteral("profile");
    return arguments;
}

QStringList floorArguments(const QString &source, const QString &scratch, const QStringList &results)
{
    return QStringList{QStringLiteral("--floor"), source, scratch} + results;
}
