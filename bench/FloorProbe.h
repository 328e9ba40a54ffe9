#pragma once

#include "FloorMeasure.h"

#include <QString>
#include <QStringList>

// Starts a fresh office session and measures it (see FloorMeasure); the
// source is saved to `scratchDir`, and so is each result.
FloorMeasure measureFloor(const QString &source, const QString &scratchDir, const QStringList &results);
