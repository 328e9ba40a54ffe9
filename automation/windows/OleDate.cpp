#include "OleDate.h"

#include <cmath>

namespace {

const QDate epoch(1899, 12, 30);
constexpr double msecsPerDay = 86400000.0;

} // namespace

double oleDateFromDateTime(const QDateTime &dateTime)
{
    const qint64 days = epoch.daysTo(dateTime.date());
    const double fraction = dateTime.time().msecsSinceStartOfDay() / msecsPerDay;
    return days >= 0 ? double(days) + fraction : double(days) - fraction;
}

QDateTime dateTimeFromOleDate(double value)
{
    double whole = 0;
    const double fraction = std::fabs(std::modf(value, &whole));
    // Rounded to the millisecond: a stored 12:00 may come back as 11:59:59.9999.
    qint64 msecs = qint64(std::llround(fraction * msecsPerDay));
    qint64 days = qint64(whole);
    if (msecs >= qint64(msecsPerDay)) {
        msecs -= qint64(msecsPerDay);
        days += 1; // a whole day of time is the next day, whatever the sign
    }
    return QDateTime(epoch.addDays(days), QTime::fromMSecsSinceStartOfDay(int(msecs)));
}
