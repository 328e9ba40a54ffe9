#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

// Runs small python3 scripts that make workbooks and look into finished ones with
// tools independent of the code under test (zipfile, ElementTree, hashlib, openpyxl,
// msoffcrypto).
namespace ooxmltest {

// A python3 interpreter that can import all of `modules`; empty when there is none.
QString pythonWith(const QStringList &modules);

struct PythonRun {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    bool ok() const { return exitCode == 0; }
};

PythonRun runPython(const QString &python, const QString &script, const QStringList &args = {},
                    int timeoutMs = 120000);

// Runs a script that prints one JSON object; an empty object when it failed (its
// error output is then in `failure`).
QJsonObject runPythonJson(const QString &python, const QString &script, const QStringList &args,
                          QString *failure);

QByteArray fileBytes(const QString &path);
bool writeBytes(const QString &path, const QByteArray &data);

} // namespace ooxmltest
