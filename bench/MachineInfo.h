#pragma once

#include <QByteArray>
#include <QString>

// One line naming the machine a table was measured on: processor, cores,
// memory, kernel and office version.
QString machineLine();

// The "model name" of a /proc/cpuinfo text, or empty.
QString cpuModelFrom(const QByteArray &cpuinfo);

// The 1-minute load average, as /proc/loadavg shows it ("1.84"), or "?".
// Other work on the machine makes the times noisy; the table notes it.
QString loadAverage();
