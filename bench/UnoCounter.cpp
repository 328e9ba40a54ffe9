#include "UnoCounter.h"

#include "OfficeSession.h"

quint64 unoRoundTrips()
{
    return OfficeSession::roundTrips();
}
