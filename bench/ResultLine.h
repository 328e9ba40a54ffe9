#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

// A child process hands its measurements to the parent as lines on its
// standard output: a marker, then key=value pairs with percent-encoded
// values, so that failure texts with blanks or any script survive.
using ResultFields = QMap<QString, QString>;

QByteArray encodeResultLine(const ResultFields &fields);

// Every result line in a child's output, in order; other lines are ignored.
QList<ResultFields> decodeResultLines(const QByteArray &output);

// A number from the fields, or `fallback` when missing or not a number.
qint64 fieldNumber(const ResultFields &fields, const QString &key, qint64 fallback = -1);
