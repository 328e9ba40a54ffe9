#include "robust_Workbooks.h"

#include <QFile>
#include <QProcess>

bool makeLargeWorkbook(const QString &path, int rows, int categories)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(SHEETSPLICER_ROBUST_SUPPORT "/robust_make_workbook.py"), path, QString::number(rows),
                  QString::number(categories)});
    return python.waitForFinished(600000) && python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0
        && QFile::exists(path);
}
