#pragma once

#include <QDateTime>

// Automation dates (VT_DATE): days since 1899-12-30 as a double, the time of
// day as the fraction. Before that day the whole part counts backwards while
// the fraction still counts forwards: -1.25 is 1899-12-29 06:00.
double oleDateFromDateTime(const QDateTime &dateTime);
QDateTime dateTimeFromOleDate(double value);
