#pragma once

#include <QByteArray>
#include <QString>

// One line naming the machine a table was measured on: processor, cores,
// memory, kernel and office version.
QString machineLine();

// The "model name" of a /proc/cpuinfo text, or empty.
QString cpuModelFrom(const QByteArray &cpuinfo);
