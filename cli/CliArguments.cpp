#include "CliArguments.h"

#include "SettingsCheck.h"

#include "MergeObject.h"
#include "Texts.h"

#include <QFileInfo>
#include <QObject>

namespace {

struct NumberOption
{
    const char *name;
    int low;
    int high;
};

bool readNumber(const QString &text, const NumberOption &option, int &value, QString &error)
{
    bool ok = false;
    const int number = text.toInt(&ok);
    if (!ok || number < option.low || number > option.high) {
        error = QStringLiteral("%1 takes a whole number from %2 to %3, not \"%4\"")
                    .arg(QLatin1String(option.name)).arg(option.low).arg(option.high).arg(text);
        return false;
    }
    value = number;
    return true;
}

CliRequest refuse(const QString &error)
{
    CliRequest request;
    request.status = CliRequest::Status::UsageError;
    request.error = error;
    return request;
}

const QStringList &valueOptions()
{
    static const QStringList names{
        QStringLiteral("--column"), QStringLiteral("--header-rows"), QStringLiteral("--open-password"),
        QStringLiteral("--structure-password"), QStringLiteral("--sheet-password"),
        QStringLiteral("--edit-range"), QStringLiteral("--match-column")};
    return names;
}

} // namespace

CliRequest parseCliArguments(const QStringList &arguments)
{
    CliRequest request;
    QStringList positional;
    JobSettings &settings = request.settings;

    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            request.status = CliRequest::Status::Help;
            return request;
        }
        if (!argument.startsWith(QLatin1String("--"))) {
            positional << argument;
            continue;
        }
        QString name = argument;
        QString value;
        const int equals = argument.indexOf(QLatin1Char('='));
        if (equals > 0) {
            name = argument.left(equals);
            value = argument.mid(equals + 1);
        }
        if (!valueOptions().contains(name))
            return refuse(QStringLiteral("unknown option %1").arg(name));
        if (equals < 0) {
            if (i + 1 >= arguments.size())
                return refuse(QStringLiteral("%1 needs a value").arg(name));
            value = arguments.at(++i);
        }

        QString error;
        if (QStringList{"--column", "--header-rows", "--edit-range", "--match-column"}.contains(name))
            settings.fixedOptions << name;
        if (name == QLatin1String("--column")) {
            if (!readNumber(value, {"--column", 1, 256}, settings.classifyColumn, error))
                return refuse(error);
        } else if (name == QLatin1String("--header-rows")) {
            if (!readNumber(value, {"--header-rows", 1, 99}, settings.headerRows, error))
                return refuse(error);
            settings.headerRowsEnabled = true;
        } else if (name == QLatin1String("--match-column")) {
            if (!readNumber(value, {"--match-column", 1, 256}, settings.lookupColumn, error))
                return refuse(error);
        } else if (name == QLatin1String("--open-password")) {
            settings.openPasswordEnabled = true;
            settings.openPassword = value;
        } else if (name == QLatin1String("--structure-password")) {
            settings.structurePasswordEnabled = true;
            settings.structurePassword = value;
        } else if (name == QLatin1String("--sheet-password")) {
            settings.sheetPassword = value;
            settings.sheetProtectionEnabled = true;
        } else if (name == QLatin1String("--edit-range")) {
            settings.allowEditRangeEnabled = true;
            settings.allowEditRange = normalizedEditRange(value);
        }
    }

    if (positional.size() != 3)
        return refuse(QStringLiteral("expected classify|link|files SOURCE OUTDIR"));
    if (positional.at(0) == QLatin1String("classify"))
        request.job = CliRequest::Job::ClassifyShow;
    else if (positional.at(0) == QLatin1String("link"))
        request.job = CliRequest::Job::InsertHyperLinks;
    else if (positional.at(0) == QLatin1String("files"))
        request.job = CliRequest::Job::CategoryFiles;
    else
        return refuse(QStringLiteral("unknown job \"%1\": use classify, link or files").arg(positional.at(0)));
    // The files have no lookups and no workbook structure to lock.
    if (request.job == CliRequest::Job::CategoryFiles) {
        for (const QString &option : {QStringLiteral("--structure-password"), QStringLiteral("--edit-range"),
                                      QStringLiteral("--match-column")}) {
            for (const QString &argument : arguments) {
                if (argument == option || argument.startsWith(option + QLatin1Char('=')))
                    return refuse(QStringLiteral("%1 does not apply to files").arg(option));
            }
        }
    }
    if (positional.at(1).isEmpty() || positional.at(2).isEmpty())
        return refuse(QStringLiteral("SOURCE and OUTDIR must not be empty"));

    settings.sourceWorkbookPath = positional.at(1);
    settings.savePath = positional.at(2);
    if (!settings.savePath.endsWith(QLatin1Char('/')) && !settings.savePath.endsWith(QLatin1Char('\\')))
        settings.savePath += QLatin1Char('/');
    request.status = CliRequest::Status::Run;
    return request;
}

QString cliUsage()
{
    return QStringLiteral(
        "Usage: sheetsplicer-cli classify|link|files SOURCE OUTDIR [options]\n"
        "  classify                    data entered on the summary sheet; the category sheets follow it\n"
        "  link                        data entered on the category sheets; the summary sheet follows them\n"
        "  files                       one workbook per category, in a new folder of OUTDIR named after\n"
        "                              SOURCE (options: --column, --header-rows, --open-password and\n"
        "                              --sheet-password, which protects each file's sheet)\n"
        "  SOURCE                      the workbook (.xls, .xlsx, .xlsm) whose first sheet is the summary table\n"
        "  OUTDIR                      existing folder the result is saved into, under the source's name\n"
        "  --column N                  column holding the categories, 1 to 256 (default 1)\n"
        "  --header-rows N             rows 1 to N are the header, 1 to 99 (default: the first used row)\n"
        "  --open-password P           password needed to open the result\n"
        "  --structure-password P      password protecting the workbook structure\n"
        "  --sheet-password P          password of the sheet protection (used with --edit-range)\n"
        "  --edit-range RANGE          editable block of the summary sheet, e.g. B3:F20; turns on the\n"
        "                              lookup formulas and the sheet protection\n"
        "  --match-column N            column holding each row's key for the lookups, 1 to 256 (default 1)\n"
        "  --help                      show this text\n"
        "A result of classify given to classify again is updated: it keeps the settings it was made\n"
        "with (--column, --header-rows, --edit-range and --match-column may be left out; given, they\n"
        "must be the same), and its passwords lift its protections.\n");
}

bool outputFolderExists(const QString &path)
{
    QString folder = path;
    if (folder.size() > 1 && (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\'))))
        folder.chop(1);
    return !folder.isEmpty() && QFileInfo(folder).isDir();
}

QString outputFolderMissingText()
{
    return QString::fromUtf8("保存路径文件夹不存在,请选择正确路径!");
}

QString cliWarning(const CliRequest &request)
{
    const QString warning = jobSettingsWarning(request.settings, request.job == CliRequest::Job::CategoryFiles);
    return warning.isEmpty() ? QString() : QStringLiteral("sheetsplicer-cli: ") + QString::fromUtf8("警告：") + warning;
}

int exitCodeFor(const QString &lastText)
{
    return Texts::isSuccess(lastText) ? 0 : 1;
}

int runCliJob(const CliRequest &request, const std::function<void(const QString &)> &print)
{
    JobSettings::current() = request.settings;
    MergeObject worker(QStringLiteral("tem"));
    QString lastText;
    QObject::connect(&worker, &MergeObject::ShowDisposingFile, [&](const QString &text) {
        lastText = text;
        print(text);
    });
    if (request.job == CliRequest::Job::ClassifyShow)
        worker.ClassifyShow();
    else if (request.job == CliRequest::Job::CategoryFiles)
        worker.SplitToFiles();
    else
        worker.InsertHyperLinks();
    return exitCodeFor(lastText);
}
